#include "DllImport.h"

#include <iterator>

namespace {

// Referencing every import makes the dynamic linker resolve all twenty when
// the program loads, whether or not a page has called one yet.
[[gnu::used]] const void *const ImportedFunctions[] = {
    reinterpret_cast<const void *>(&RFID_OpenDevice),
    reinterpret_cast<const void *>(&RFID_GetDeviceData),
    reinterpret_cast<const void *>(&RFID_GetConfigBits),
    reinterpret_cast<const void *>(&RFID_SetConfigBits),
    reinterpret_cast<const void *>(&RFID_GetEnable),
    reinterpret_cast<const void *>(&RFID_SetEnable),
    reinterpret_cast<const void *>(&RFID_PlaySound),
    reinterpret_cast<const void *>(&RFID_GetCardCode),
    reinterpret_cast<const void *>(&RFID_GetPrefix),
    reinterpret_cast<const void *>(&RFID_GetSufix),
    reinterpret_cast<const void *>(&RFID_SetPrefix),
    reinterpret_cast<const void *>(&RFID_SetSufix),
    reinterpret_cast<const void *>(&RFID_GetDeviceMode),
    reinterpret_cast<const void *>(&RFID_SetDeviceMode),
    reinterpret_cast<const void *>(&RFID_GetBeforeHidKeyboardReport),
    reinterpret_cast<const void *>(&RFID_SetBeforeHidKeyboardReport),
    reinterpret_cast<const void *>(&RFID_GetAfterHidKeyboardReport),
    reinterpret_cast<const void *>(&RFID_SetAfterHidKeyboardReport),
    reinterpret_cast<const void *>(&RFID_GetRemoveHidKeyboardReport),
    reinterpret_cast<const void *>(&RFID_SetRemoveHidKeyboardReport),
};
static_assert(std::size(ImportedFunctions) == ImportedFunctionCount);

} // namespace
