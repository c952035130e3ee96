// What the reader stores in its non-volatile memory, and what it is on the
// bus. The settings also have a line-based text form for the host's state
// file (SettingsText.cpp).
#pragma once

#include "ReaderProtocol.h"

#include <array>
#include <cstdint>
#include <string>

namespace readersim {

struct ReaderSettings {
    uint8_t confByte = ConfUpperCase | ConfSound;
    uint8_t confByte2 = 0;    // carried along, unused by the host side
    uint8_t deviceMode = 0;   // 0 normal (keyboard), other: advanced
    uint8_t enable = 1;       // keyboard output on
    KeyboardReport before{};
    KeyboardReport after{};
    KeyboardReport remove{};
    std::array<uint8_t, 6> prefix{}; // raw bytes as received, zero-padded
    std::array<uint8_t, 6> sufix{};
    uint32_t factoryId = 10000;
    // Production date as stored: year - 2000, month, day. Not validated, so
    // an invalid date can be stored on purpose.
    uint8_t productionYear = 24;
    uint8_t productionMonth = 3;
    uint8_t productionDay = 15;

    bool operator==(const ReaderSettings &) const = default;

    // A line-based "key=value" text, for the host's state file. fromText
    // starts from the defaults and ignores unknown or malformed lines, so
    // it accepts any string.
    std::string toText() const;
    static ReaderSettings fromText(const std::string &text);
};

// The three keyboard reports in command and item order, and their names in
// the event log and the settings text.
inline constexpr KeyboardReport ReaderSettings::*KeyboardReportFields[] = {
    &ReaderSettings::before, &ReaderSettings::after, &ReaderSettings::remove};
inline constexpr const char *KeyboardReportNames[] = {"before", "after", "remove"};

// The reader's identity on the bus.
struct ReaderIdentity {
    uint16_t vendorId = ReaderVendorId;
    uint16_t productId = ReaderProductId;
    std::string manufacturer = "Korvel Project";
    std::string product = "USB RFID Reader Ver: 1.7";
};

} // namespace readersim
