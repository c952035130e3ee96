#include "ConfigExports.h"

#include "DateTime.h"
#include "FirmwareRules.h"
#include "NullArguments.h"

#include <algorithm>
#include <cstring>

namespace korvel {

static_assert(sizeof(::TKeybHIDReport) == sizeof(TKeybHIDReport));

ConfigExports::ConfigExports(os::HidPlatform &platform) : platform_(platform), Reader(platform) {}

int32_t ConfigExports::OpenDevice()
{
    std::lock_guard guard(Lock);
    return Reader.OpenDevice();
}

int32_t ConfigExports::GetDeviceData(::TDeviceData *data)
{
    if (NullRefused(platform_, data == nullptr))
        return 0;
    std::lock_guard guard(Lock);
    if (!Reader.OpenDevice())
        return 0;
    data->ManufacturerStr = Reader.Manufacturer.c_str();
    data->ProductStr = Reader.Product.c_str();
    if (!Reader.GetFactoryID(data->FactoryID))
        return 0;
    double productionDate = 0;
    const bool ok = Reader.GetProductionDate(productionDate);
    const CalendarDate date = decodeDate(productionDate);
    data->ProductionYear = date.year;
    data->ProductionMonth = date.month;
    data->ProductionDay = date.day;
    data->Version = Reader.Version;
    return ok;
}

int32_t ConfigExports::GetCardCode(int32_t *length, uint8_t *code)
{
    if (NullRefused(platform_, length == nullptr || code == nullptr))
        return 0;
    std::lock_guard guard(Lock);
    if (!Reader.OpenDevice())
        return 0;
    if (!readerconfig::AnswersCardCode(Reader.Version)) {
        *length = 0; // such readers cannot report card codes; nothing is sent
        return 0;
    }
    if (readerconfig::AnswersExCardCode(Reader.Version)) {
        const bool ok = Reader.GetExCardCode(ExCardCode);
        // A reader may claim more than the 21 bytes a code can have.
        const int32_t n = std::min<int32_t>(ExCardCode.CodeLength, sizeof ExCardCode.Code);
        *length = n;
        std::memcpy(code, ExCardCode.Code, static_cast<size_t>(n));
        return ok;
    }
    TCardCode shortCode{};
    const bool ok = Reader.GetCardCode(shortCode);
    const bool none = std::all_of(shortCode.begin(), shortCode.end(), [](uint8_t b) { return b == 0; });
    *length = none ? 0 : static_cast<int32_t>(shortCode.size());
    std::memcpy(code, shortCode.data(), static_cast<size_t>(*length));
    return ok;
}

int32_t ConfigExports::PlaySound(int32_t sound)
{
    std::lock_guard guard(Lock);
    return Reader.OpenDevice() && Reader.PlaySound(sound);
}

int32_t ConfigExports::GetConfigByte(int32_t *out, bool deviceMode)
{
    if (NullRefused(platform_, out == nullptr))
        return 0;
    std::lock_guard guard(Lock);
    if (!Reader.OpenDevice())
        return 0;
    uint8_t confByte = 0, confByte2 = 0, usbEnum = 0;
    const bool ok = Reader.GetConfig(confByte, confByte2, usbEnum);
    *out = deviceMode ? usbEnum : confByte;
    return ok;
}

int32_t ConfigExports::GetConfigBits(int32_t *bits)
{
    return GetConfigByte(bits, false);
}

int32_t ConfigExports::GetDeviceMode(int32_t *mode)
{
    return GetConfigByte(mode, true);
}

int32_t ConfigExports::SetConfigBits(uint8_t bits)
{
    std::lock_guard guard(Lock);
    return Reader.OpenDevice() && Reader.SetConfigBits(bits);
}

int32_t ConfigExports::SetDeviceMode(uint8_t mode)
{
    std::lock_guard guard(Lock);
    return Reader.OpenDevice() && Reader.SetDeviceMode(mode);
}

int32_t ConfigExports::GetEnable(uint8_t *enable)
{
    if (NullRefused(platform_, enable == nullptr))
        return 0;
    std::lock_guard guard(Lock);
    return Reader.OpenDevice() && Reader.GetEnable(*enable);
}

int32_t ConfigExports::SetEnable(uint8_t enable)
{
    std::lock_guard guard(Lock);
    return Reader.OpenDevice() && Reader.SetEnable(enable);
}

int32_t ConfigExports::GetReport(::TKeybHIDReport *report, ReportGetter getter)
{
    if (NullRefused(platform_, report == nullptr))
        return 0;
    std::lock_guard guard(Lock);
    if (!Reader.OpenDevice())
        return 0;
    TKeybHIDReport local{};
    const bool ok = (Reader.*getter)(local);
    std::memcpy(report, &local, sizeof local);
    return ok;
}

int32_t ConfigExports::SetReport(const ::TKeybHIDReport *report, ReportSetter setter)
{
    if (NullRefused(platform_, report == nullptr))
        return 0;
    std::lock_guard guard(Lock);
    if (!Reader.OpenDevice())
        return 0;
    TKeybHIDReport local;
    std::memcpy(&local, report, sizeof local);
    return (Reader.*setter)(local);
}

int32_t ConfigExports::GetBeforeHidKeyboardReport(::TKeybHIDReport *report)
{
    return GetReport(report, &TMarduneReader::GetBeforeHidKeyboardReport);
}

int32_t ConfigExports::SetBeforeHidKeyboardReport(const ::TKeybHIDReport *report)
{
    return SetReport(report, &TMarduneReader::SetBeforeHidKeyboardReport);
}

int32_t ConfigExports::GetAfterHidKeyboardReport(::TKeybHIDReport *report)
{
    return GetReport(report, &TMarduneReader::GetAfterHidKeyboardReport);
}

int32_t ConfigExports::SetAfterHidKeyboardReport(const ::TKeybHIDReport *report)
{
    return SetReport(report, &TMarduneReader::SetAfterHidKeyboardReport);
}

int32_t ConfigExports::GetRemoveHidKeyboardReport(::TKeybHIDReport *report)
{
    return GetReport(report, &TMarduneReader::GetRemoveHidKeyboardReport);
}

int32_t ConfigExports::SetRemoveHidKeyboardReport(const ::TKeybHIDReport *report)
{
    return SetReport(report, &TMarduneReader::SetRemoveHidKeyboardReport);
}

// 0 to 8 characters and a terminating zero; untouched unless the read succeeded.
int32_t ConfigExports::GetText(char *text, TextGetter getter)
{
    if (NullRefused(platform_, text == nullptr))
        return 0;
    std::lock_guard guard(Lock);
    if (!Reader.OpenDevice())
        return 0;
    std::string value;
    if (!(Reader.*getter)(value))
        return 0;
    std::memcpy(text, value.c_str(), value.size() + 1);
    return 1;
}

// Exactly `count` bytes, zero bytes included; no terminating zero needed.
int32_t ConfigExports::SetText(const char *text, int32_t count, TextSetter setter)
{
    if (NullRefused(platform_, text == nullptr && count > 0))
        return 0;
    const std::string value = count > 0 ? std::string(text, static_cast<size_t>(count)) : std::string();
    std::lock_guard guard(Lock);
    return Reader.OpenDevice() && (Reader.*setter)(value);
}

int32_t ConfigExports::GetPrefix(char *text)
{
    return GetText(text, &TMarduneReader::GetPrefix);
}

int32_t ConfigExports::SetPrefix(const char *text, int32_t count)
{
    return SetText(text, count, &TMarduneReader::SetPrefix);
}

int32_t ConfigExports::GetSufix(char *text)
{
    return GetText(text, &TMarduneReader::GetSufix);
}

int32_t ConfigExports::SetSufix(const char *text, int32_t count)
{
    return SetText(text, count, &TMarduneReader::SetSufix);
}

} // namespace korvel
