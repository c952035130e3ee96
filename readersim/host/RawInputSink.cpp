#include "RawInputSink.h"

namespace readersim {

RawInputSink::RawInputSink(ReportStream stream) : stream_(std::move(stream)) {}

void RawInputSink::operator()(const ReaderFirmware::RawReport &report) const
{
    if (!stream_.opened()) {
        stream_.discard(); // a later open starts empty, as with the kernel
        return;
    }
    stream_.write(report.data() + 1, ReadLength);
}

} // namespace readersim
