// What the platform needs to know of a HID report descriptor: the report
// lengths the way the platform's HID capabilities count them (the largest
// report of each kind in bytes plus the report-ID byte, 0 when the
// interface has no report of that kind), and whether its reports carry a
// report ID.
#pragma once

#include "../HidPlatform.h"

#include <cstdint>
#include <optional>
#include <span>

namespace korvel::os {

struct ReportDescriptorFacts {
    HidCaps caps;
    bool reportIds = false; // the descriptor declares report IDs, so every report starts with one
};

// Nullopt for a malformed descriptor (an item running past the end, a
// push/pop stack overflow or underflow).
std::optional<ReportDescriptorFacts> parseReportDescriptor(std::span<const uint8_t> descriptor);

} // namespace korvel::os
