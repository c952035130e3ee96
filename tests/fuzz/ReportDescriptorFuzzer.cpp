// The HID report-descriptor parser over any bytes. What must hold: no read
// outside the descriptor (the sanitizers and the standard library's checks
// watch), and an End Collection item appended to a descriptor that parses
// changes none of the report lengths, nor whether reports carry an ID.
#include "FuzzSupport.h"
#include "os/linux/ReportDescriptor.h"

#include <vector>

using korvel::os::parseReportDescriptor;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const auto facts = parseReportDescriptor(std::span<const uint8_t>(data, size));
    if (!facts)
        return 0;

    std::vector<uint8_t> closed(data, data + size);
    closed.push_back(0xC0);
    const auto after = parseReportDescriptor(closed);
    FUZZ_CHECK(after);
    FUZZ_CHECK(after->caps.InputReportByteLength == facts->caps.InputReportByteLength);
    FUZZ_CHECK(after->caps.OutputReportByteLength == facts->caps.OutputReportByteLength);
    FUZZ_CHECK(after->caps.FeatureReportByteLength == facts->caps.FeatureReportByteLength);
    FUZZ_CHECK(after->reportIds == facts->reportIds);
    return 0;
}
