// The exports Korvel.dll must have: each name at its fixed ordinal.
#pragma once

#include <cstdint>

namespace korvel::win32test {

struct Export {
    const char *name;
    uint16_t ordinal;
};

inline constexpr Export Exports[] = {
    {"RFID_RW_AssignGetEvent", 2},
    {"RFID_RW_GetRawData", 3},
    {"RFID_RW_PutRawData", 4},
    {"RFID_RW_DisconnectFromUSBReader", 5},
    {"RFID_RW_ConnectToUSBReader", 6},
    {"RFID_GetCardCode", 7},
    {"RFID_PlaySound", 8},
    {"RFID_GetSufix", 9},
    {"RFID_SetSufix", 10},
    {"RFID_GetPrefix", 11},
    {"RFID_SetPrefix", 12},
    {"RFID_GetEnable", 13},
    {"RFID_SetEnable", 14},
    {"RFID_GetDeviceMode", 15},
    {"RFID_SetDeviceMode", 16},
    {"RFID_GetConfigBits", 17},
    {"RFID_SetConfigBits", 18},
    {"RFID_GetRemoveHidKeyboardReport", 19},
    {"RFID_SetRemoveHidKeyboardReport", 20},
    {"RFID_GetAfterHidKeyboardReport", 21},
    {"RFID_SetAfterHidKeyboardReport", 22},
    {"RFID_GetBeforeHidKeyboardReport", 23},
    {"RFID_SetBeforeHidKeyboardReport", 24},
    {"RFID_GetDeviceData", 25},
    {"RFID_OpenDevice", 26},
};

} // namespace korvel::win32test
