// The library's exported C functions.
//
// Each works on the loaded library's state (Library.h): the raw channel
// object (with its hidden window and receive machinery) and the one
// ConfigExports object (the lock and the reader) on top of this platform's
// HID layer. Those objects check the caller's buffers, before any device
// work (NullArguments.h); the functions here only bind the names.
// No C++ exception may cross the interface: one that escapes (exhausted
// memory, say) turns into the result 0.
#include "Library.h"
#include "korvel.h"

#ifndef _WIN32
namespace {
// Created when the library is loaded, destroyed at unload. (Windows builds
// leave this to DllMain, which can fail a load and end it under the rules of
// the loader lock.)
korvel::Library library;
} // namespace

korvel::Library &korvel::loadedLibrary()
{
    return library;
}
#endif

namespace {

template <typename Call>
int32_t guarded(Call call) noexcept
{
    try {
        return call(korvel::loadedLibrary().config);
    } catch (...) {
        return 0;
    }
}

} // namespace

using korvel::ConfigExports;

extern "C" {

KORVEL_API int32_t KORVEL_CALL RFID_OpenDevice(void)
{
    return guarded([](ConfigExports &c) { return c.OpenDevice(); });
}

KORVEL_API int32_t KORVEL_CALL RFID_GetDeviceData(TDeviceData *data)
{
    return guarded([=](ConfigExports &c) { return c.GetDeviceData(data); });
}

KORVEL_API int32_t KORVEL_CALL RFID_GetCardCode(int32_t *length, uint8_t *code)
{
    return guarded([=](ConfigExports &c) { return c.GetCardCode(length, code); });
}

KORVEL_API int32_t KORVEL_CALL RFID_PlaySound(int32_t sound)
{
    return guarded([=](ConfigExports &c) { return c.PlaySound(sound); });
}

KORVEL_API int32_t KORVEL_CALL RFID_GetConfigBits(int32_t *bits)
{
    return guarded([=](ConfigExports &c) { return c.GetConfigBits(bits); });
}

KORVEL_API int32_t KORVEL_CALL RFID_SetConfigBits(uint8_t bits)
{
    return guarded([=](ConfigExports &c) { return c.SetConfigBits(bits); });
}

KORVEL_API int32_t KORVEL_CALL RFID_GetDeviceMode(int32_t *mode)
{
    return guarded([=](ConfigExports &c) { return c.GetDeviceMode(mode); });
}

KORVEL_API int32_t KORVEL_CALL RFID_SetDeviceMode(uint8_t mode)
{
    return guarded([=](ConfigExports &c) { return c.SetDeviceMode(mode); });
}

KORVEL_API int32_t KORVEL_CALL RFID_GetEnable(uint8_t *enable)
{
    return guarded([=](ConfigExports &c) { return c.GetEnable(enable); });
}

KORVEL_API int32_t KORVEL_CALL RFID_SetEnable(uint8_t enable)
{
    return guarded([=](ConfigExports &c) { return c.SetEnable(enable); });
}

KORVEL_API int32_t KORVEL_CALL RFID_GetBeforeHidKeyboardReport(TKeybHIDReport *report)
{
    return guarded([=](ConfigExports &c) { return c.GetBeforeHidKeyboardReport(report); });
}

KORVEL_API int32_t KORVEL_CALL RFID_SetBeforeHidKeyboardReport(const TKeybHIDReport *report)
{
    return guarded([=](ConfigExports &c) { return c.SetBeforeHidKeyboardReport(report); });
}

KORVEL_API int32_t KORVEL_CALL RFID_GetAfterHidKeyboardReport(TKeybHIDReport *report)
{
    return guarded([=](ConfigExports &c) { return c.GetAfterHidKeyboardReport(report); });
}

KORVEL_API int32_t KORVEL_CALL RFID_SetAfterHidKeyboardReport(const TKeybHIDReport *report)
{
    return guarded([=](ConfigExports &c) { return c.SetAfterHidKeyboardReport(report); });
}

KORVEL_API int32_t KORVEL_CALL RFID_GetRemoveHidKeyboardReport(TKeybHIDReport *report)
{
    return guarded([=](ConfigExports &c) { return c.GetRemoveHidKeyboardReport(report); });
}

KORVEL_API int32_t KORVEL_CALL RFID_SetRemoveHidKeyboardReport(const TKeybHIDReport *report)
{
    return guarded([=](ConfigExports &c) { return c.SetRemoveHidKeyboardReport(report); });
}

KORVEL_API int32_t KORVEL_CALL RFID_GetPrefix(char *text)
{
    return guarded([=](ConfigExports &c) { return c.GetPrefix(text); });
}

KORVEL_API int32_t KORVEL_CALL RFID_SetPrefix(const char *text, int32_t count)
{
    return guarded([=](ConfigExports &c) { return c.SetPrefix(text, count); });
}

KORVEL_API int32_t KORVEL_CALL RFID_GetSufix(char *text)
{
    return guarded([=](ConfigExports &c) { return c.GetSufix(text); });
}

KORVEL_API int32_t KORVEL_CALL RFID_SetSufix(const char *text, int32_t count)
{
    return guarded([=](ConfigExports &c) { return c.SetSufix(text, count); });
}

KORVEL_API int32_t KORVEL_CALL RFID_RW_ConnectToUSBReader(void)
{
    try {
        return korvel::loadedLibrary().readerComm.OpenUSBReader();
    } catch (...) {
        return RFID_RW_IO_ERROR;
    }
}

KORVEL_API void KORVEL_CALL RFID_RW_DisconnectFromUSBReader(void)
{
    korvel::loadedLibrary().readerComm.CloseUSBReader();
}

KORVEL_API int32_t KORVEL_CALL RFID_RW_PutRawData(const char *Data, uint32_t Size)
{
    try {
        return korvel::loadedLibrary().readerComm.PutRawData(Data, Size);
    } catch (...) {
        return RFID_RW_IO_ERROR;
    }
}

KORVEL_API int32_t KORVEL_CALL RFID_RW_GetRawData(char *Data, uint32_t *Size)
{
    try {
        return korvel::loadedLibrary().readerComm.GetRawData(Data, Size);
    } catch (...) {
        return RFID_RW_IO_ERROR;
    }
}

KORVEL_API void KORVEL_CALL RFID_RW_AssignGetEvent(TRFID_RW_GetDataEvent GetDataEvent)
{
    try {
        korvel::loadedLibrary().readerComm.AssignGetEvent(GetDataEvent);
    } catch (...) {
        // A thread that cannot be started: the callback simply receives nothing.
    }
}

} // extern "C"
