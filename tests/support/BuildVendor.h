// The USB vendor ID this build is for (KORVEL_VENDOR_ID), as the tests meet
// it: a number, and four hexadecimal digits in device paths ("vid_1209")
// and instance identifiers ("VID_1209").
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace korvel::testing {

inline constexpr uint16_t BuildVendorId = KORVEL_VENDOR_ID;

inline std::string BuildVendorHex(bool upperCase = false)
{
    char text[8];
    std::snprintf(text, sizeof text, upperCase ? "%04X" : "%04x", static_cast<unsigned>(BuildVendorId));
    return text;
}

} // namespace korvel::testing
