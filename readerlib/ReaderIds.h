// The reader as USB presents it: the build's vendor ID (KORVEL_VENDOR_ID),
// product 1 and two HID interfaces. The library's discovery and the card
// listener look for these.
#pragma once

#include <cstdint>
#include <string>

namespace korvel {

inline constexpr uint16_t ReaderVendorId = KORVEL_VENDOR_ID;
inline constexpr uint16_t ReaderProductId = 1;
// Interface 0 carries the configuration (feature reports) and the keyboard,
// interface 1 the raw channel of the advanced mode.
inline constexpr uint8_t ConfigInterface = 0;
inline constexpr uint8_t RawInterface = 1;

// An interface number as device paths and instance identifiers write it,
// in two digits ("00", "01").
inline std::string InterfaceDigits(uint8_t number)
{
    return {static_cast<char>('0' + number / 10 % 10), static_cast<char>('0' + number % 10)};
}

} // namespace korvel
