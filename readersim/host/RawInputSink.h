// Where the reader's firmware sends its input reports of interface 1: the
// PTY behind that hidraw node, as the kernel's hidraw delivers reports of a
// device without report IDs (one read() of the report without its ID byte).
#pragma once

#include "ReaderFirmware.h"
#include "ReportStream.h"

namespace readersim {

class RawInputSink {
public:
    // The report's bytes after the ID byte, as one read() delivers them.
    static constexpr size_t ReadLength = ReaderFirmware::RawReport{}.size() - 1;

    explicit RawInputSink(ReportStream stream);

    // Like a real hidraw node, a report that arrives while no descriptor has
    // the node open is dropped (and anything still queued with it). All
    // openers share one PTY, so one reader at a time gets each report.
    // Runs on the thread that sent the report.
    void operator()(const ReaderFirmware::RawReport &report) const;

private:
    ReportStream stream_;
};

} // namespace readersim
