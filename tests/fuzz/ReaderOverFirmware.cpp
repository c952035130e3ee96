#include "ReaderOverFirmware.h"

#include "FuzzSupport.h"
#include "korvel.h"

namespace korvel::fuzz {
namespace {

ReaderOverFirmware *current = nullptr;

// The call on the current reader, or 0 when there is none.
template <typename Call>
int32_t onReader(Call call)
{
    return current ? call(current->exports) : 0;
}

} // namespace

ReaderOverFirmware::ReaderOverFirmware()
{
    FUZZ_CHECK(!current);
    current = this;
}

ReaderOverFirmware::~ReaderOverFirmware()
{
    current = nullptr;
}

} // namespace korvel::fuzz

using korvel::ConfigExports;
using korvel::fuzz::onReader;

extern "C" {

int32_t RFID_OpenDevice(void)
{
    return onReader([](ConfigExports &c) { return c.OpenDevice(); });
}
int32_t RFID_GetDeviceData(TDeviceData *data)
{
    return onReader([=](ConfigExports &c) { return c.GetDeviceData(data); });
}
int32_t RFID_GetCardCode(int32_t *length, uint8_t *code)
{
    return onReader([=](ConfigExports &c) { return c.GetCardCode(length, code); });
}
int32_t RFID_PlaySound(int32_t sound)
{
    return onReader([=](ConfigExports &c) { return c.PlaySound(sound); });
}
int32_t RFID_GetConfigBits(int32_t *bits)
{
    return onReader([=](ConfigExports &c) { return c.GetConfigBits(bits); });
}
int32_t RFID_SetConfigBits(uint8_t bits)
{
    return onReader([=](ConfigExports &c) { return c.SetConfigBits(bits); });
}
int32_t RFID_GetDeviceMode(int32_t *mode)
{
    return onReader([=](ConfigExports &c) { return c.GetDeviceMode(mode); });
}
int32_t RFID_SetDeviceMode(uint8_t mode)
{
    return onReader([=](ConfigExports &c) { return c.SetDeviceMode(mode); });
}
int32_t RFID_GetEnable(uint8_t *enable)
{
    return onReader([=](ConfigExports &c) { return c.GetEnable(enable); });
}
int32_t RFID_SetEnable(uint8_t enable)
{
    return onReader([=](ConfigExports &c) { return c.SetEnable(enable); });
}
int32_t RFID_GetBeforeHidKeyboardReport(TKeybHIDReport *report)
{
    return onReader([=](ConfigExports &c) { return c.GetBeforeHidKeyboardReport(report); });
}
int32_t RFID_SetBeforeHidKeyboardReport(const TKeybHIDReport *report)
{
    return onReader([=](ConfigExports &c) { return c.SetBeforeHidKeyboardReport(report); });
}
int32_t RFID_GetAfterHidKeyboardReport(TKeybHIDReport *report)
{
    return onReader([=](ConfigExports &c) { return c.GetAfterHidKeyboardReport(report); });
}
int32_t RFID_SetAfterHidKeyboardReport(const TKeybHIDReport *report)
{
    return onReader([=](ConfigExports &c) { return c.SetAfterHidKeyboardReport(report); });
}
int32_t RFID_GetRemoveHidKeyboardReport(TKeybHIDReport *report)
{
    return onReader([=](ConfigExports &c) { return c.GetRemoveHidKeyboardReport(report); });
}
int32_t RFID_SetRemoveHidKeyboardReport(const TKeybHIDReport *report)
{
    return onReader([=](ConfigExports &c) { return c.SetRemoveHidKeyboardReport(report); });
}
int32_t RFID_GetPrefix(char *text)
{
    return onReader([=](ConfigExports &c) { return c.GetPrefix(text); });
}
int32_t RFID_SetPrefix(const char *text, int32_t count)
{
    return onReader([=](ConfigExports &c) { return c.SetPrefix(text, count); });
}
int32_t RFID_GetSufix(char *text)
{
    return onReader([=](ConfigExports &c) { return c.GetSufix(text); });
}
int32_t RFID_SetSufix(const char *text, int32_t count)
{
    return onReader([=](ConfigExports &c) { return c.SetSufix(text, count); });
}

int32_t RFID_RW_ConnectToUSBReader(void)
{
    return RFID_RW_NOT_PRESENT;
}
void RFID_RW_DisconnectFromUSBReader(void) {}
int32_t RFID_RW_PutRawData(const char *, uint32_t)
{
    return RFID_RW_NOT_PRESENT;
}
int32_t RFID_RW_GetRawData(char *, uint32_t *)
{
    return RFID_RW_NOT_PRESENT;
}
void RFID_RW_AssignGetEvent(TRFID_RW_GetDataEvent) {}

} // extern "C"
