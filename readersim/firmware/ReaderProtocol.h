// The reader's side of its configuration protocol on interface 0: command
// codes, read items, the feature report and the meaning of the
// configuration byte, as the firmware numbers them.
//
// These tables are the firmware's own, written from the protocol rather
// than taken from the library, so that a mistake in the host's tables shows
// up as a disagreement with the reader instead of being shared by both.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace readersim {

// The reader's USB vendor ID (product ID 1): the build's KORVEL_VENDOR_ID.
inline constexpr uint16_t ReaderVendorId = KORVEL_VENDOR_ID;
inline constexpr uint16_t ReaderProductId = 0x0001;

// Command codes of feature reports sent to the reader (byte 1 of the report).
enum Command : uint8_t {
    CmdRequestData = 0,
    CmdPlaySound = 1,
    CmdSetConfigBits = 3,
    CmdSetDeviceMode = 4,
    CmdSetEnable = 5,
    CmdSetPrefix = 7,
    CmdSetSufix = 8,
    CmdBeforeFirstHalf = 11,
    CmdBeforeSecondHalf = 12,
    CmdAfterFirstHalf = 21,
    CmdAfterSecondHalf = 22,
    CmdRemoveFirstHalf = 31,
    CmdRemoveSecondHalf = 32,
    CmdSetFactoryId = 99,
    CmdSetProductionDate = 100,
};

// Items that a RequestData (command 0) selects for the next feature read.
enum Item : uint8_t {
    ItemBeforeReport = 1,
    ItemAfterReport = 2,
    ItemRemoveReport = 3,
    ItemConfig = 4,
    ItemEnable = 5,
    ItemCardCode = 6,
    ItemPrefix = 7,
    ItemSufix = 8,
    ItemExCodeLength = 11,
    ItemExCodeChunk = 12,
    ItemFactoryId = 99,
    ItemProductionDate = 100,
};

// One feature report as the protocol numbers it: report ID, eight data bytes.
using FeatureReport = std::array<uint8_t, 9>;

// A keyboard report as stored: Modifier (bit 0 Right GUI ... bit 7 Left
// Control, the reverse of the HID order), Reserved, Key1..Key6.
using KeyboardReport = std::array<uint8_t, 8>;

// The longest card code the reader holds and reports.
inline constexpr size_t MaxCodeBytes = 21;

// Bits of the configuration byte.
inline constexpr uint8_t ConfEnter = 0x01;
inline constexpr uint8_t ConfUpperCase = 0x02;
inline constexpr uint8_t ConfLeaveUntilRemoved = 0x04;
inline constexpr uint8_t ConfSound = 0x08;
inline constexpr uint8_t ConfManagerCompatible = 0x10;
inline constexpr uint8_t ConfDecimal = 0x20;

} // namespace readersim
