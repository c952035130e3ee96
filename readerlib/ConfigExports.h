// The twenty configuration functions of the library's C interface, as one
// object: the library's lock, its one reader and the extended card code
// record. Every function takes the lock, reconnects the reader, runs its
// operations and converts between the interface's plain types and the
// reader's own. DllExports.cpp binds one instance to the exported names.
#pragma once

#include "CardCodeApi.h"
#include "korvel.h"

#include <mutex>

namespace korvel {

class ConfigExports {
public:
    explicit ConfigExports(os::HidPlatform &platform);

    int32_t OpenDevice();
    int32_t GetDeviceData(::TDeviceData *data);
    int32_t GetCardCode(int32_t *length, uint8_t *code);
    int32_t PlaySound(int32_t sound);
    int32_t GetConfigBits(int32_t *bits);
    int32_t SetConfigBits(uint8_t bits);
    int32_t GetDeviceMode(int32_t *mode);
    int32_t SetDeviceMode(uint8_t mode);
    int32_t GetEnable(uint8_t *enable);
    int32_t SetEnable(uint8_t enable);
    int32_t GetBeforeHidKeyboardReport(::TKeybHIDReport *report);
    int32_t SetBeforeHidKeyboardReport(const ::TKeybHIDReport *report);
    int32_t GetAfterHidKeyboardReport(::TKeybHIDReport *report);
    int32_t SetAfterHidKeyboardReport(const ::TKeybHIDReport *report);
    int32_t GetRemoveHidKeyboardReport(::TKeybHIDReport *report);
    int32_t SetRemoveHidKeyboardReport(const ::TKeybHIDReport *report);
    int32_t GetPrefix(char *text);
    int32_t SetPrefix(const char *text, int32_t count);
    int32_t GetSufix(char *text);
    int32_t SetSufix(const char *text, int32_t count);

private:
    using ReportGetter = bool (TMarduneReader::*)(TKeybHIDReport &);
    using ReportSetter = bool (TMarduneReader::*)(const TKeybHIDReport &);
    using TextGetter = bool (TMarduneReader::*)(std::string &);
    using TextSetter = bool (TMarduneReader::*)(const std::string &);

    int32_t GetConfigByte(int32_t *out, bool deviceMode);
    int32_t GetReport(::TKeybHIDReport *report, ReportGetter getter);
    int32_t SetReport(const ::TKeybHIDReport *report, ReportSetter setter);
    int32_t GetText(char *text, TextGetter getter);
    int32_t SetText(const char *text, int32_t count, TextSetter setter);

    os::HidPlatform &platform_;
    std::mutex Lock;
    TMarduneReader Reader;
    TExCardCode ExCardCode{};
};

} // namespace korvel
