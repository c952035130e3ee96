// The HID report-descriptor parser over any bytes. What must hold: no read
// outside the descriptor (the sanitizers and the standard library's checks
// watch), and an End Collection item appended to a descriptor that parses
// changes none of the report lengths.
#include "FuzzSupport.h"
#include "os/linux/ReportDescriptor.h"

#include <vector>

using korvel::os::capsFromReportDescriptor;
using korvel::os::usesReportIds;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::span<const uint8_t> descriptor(data, size);
    (void)usesReportIds(descriptor);
    const auto caps = capsFromReportDescriptor(descriptor);
    if (!caps)
        return 0;

    std::vector<uint8_t> closed(data, data + size);
    closed.push_back(0xC0);
    const auto after = capsFromReportDescriptor(closed);
    FUZZ_CHECK(after);
    FUZZ_CHECK(after->InputReportByteLength == caps->InputReportByteLength);
    FUZZ_CHECK(after->OutputReportByteLength == caps->OutputReportByteLength);
    FUZZ_CHECK(after->FeatureReportByteLength == caps->FeatureReportByteLength);
    FUZZ_CHECK(usesReportIds(closed) == usesReportIds(descriptor));
    return 0;
}
