// Report lengths from a HID report descriptor, the way the platform's HID
// capabilities count them: the largest report of each kind in bytes plus
// the report-ID byte, 0 when the interface has no report of that kind.
#pragma once

#include "../HidPlatform.h"

#include <cstdint>
#include <optional>
#include <span>

namespace korvel::os {

// Nullopt for a malformed descriptor (an item running past the end, a
// push/pop stack overflow or underflow).
std::optional<HidCaps> capsFromReportDescriptor(std::span<const uint8_t> descriptor);

// Whether the descriptor declares report IDs (so every report starts with one).
bool usesReportIds(std::span<const uint8_t> descriptor);

} // namespace korvel::os
