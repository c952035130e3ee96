#include "Commands.h"

#include "TextFormat.h"
#include "korvel.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <functional>
#include <map>

namespace korvelctl {
namespace {

int noReader()
{
    std::fprintf(stderr, "korvelctl: no reader attached (%s)\n", std::strerror(errno));
    return ExitNoReader;
}

int callFailed(const char *function)
{
    std::fprintf(stderr, "korvelctl: %s failed: %s\n", function, std::strerror(errno));
    return ExitCallFailed;
}

using Reader = std::function<bool(std::string &value)>;
using Writer = std::function<bool(const std::string &value, bool &valid)>;

struct Setting {
    const char *function; // the library function, for error messages
    Reader read;
    Writer write;         // empty for read-only settings
    const char *help;
};

Reader readReport(int32_t(KORVEL_CALL *get)(TKeybHIDReport *))
{
    return [get](std::string &value) {
        TKeybHIDReport report{};
        if (!get(&report))
            return false;
        value = formatReport(report);
        return true;
    };
}

Writer writeReport(int32_t(KORVEL_CALL *set)(const TKeybHIDReport *))
{
    return [set](const std::string &text, bool &valid) {
        const auto report = parseReport(text);
        valid = report.has_value();
        return valid && set(&*report);
    };
}

Reader readText(int32_t(KORVEL_CALL *get)(char *))
{
    return [get](std::string &value) {
        char text[9] = {};
        if (!get(text))
            return false;
        value = text;
        return true;
    };
}

Writer writeText(int32_t(KORVEL_CALL *set)(const char *, int32_t))
{
    return [set](const std::string &text, bool &valid) {
        valid = true;
        return set(text.data(), static_cast<int32_t>(text.size())) != 0;
    };
}

Writer writeByte(int32_t(KORVEL_CALL *set)(uint8_t))
{
    return [set](const std::string &text, bool &valid) {
        const auto value = parseNumber(text, 0, 255);
        valid = value.has_value();
        return valid && set(static_cast<uint8_t>(*value));
    };
}

const std::map<std::string, Setting> &settings()
{
    static const std::map<std::string, Setting> table = {
        {"config-bits",
         {"RFID_GetConfigBits",
          [](std::string &value) {
              int32_t bits = 0;
              if (!RFID_GetConfigBits(&bits))
                  return false;
              char text[8];
              std::snprintf(text, sizeof text, "0x%02X", static_cast<unsigned>(bits));
              value = text;
              return true;
          },
          writeByte(RFID_SetConfigBits), "configuration byte, 0-255 (0x.. for hexadecimal)"}},
        {"enable",
         {"RFID_GetEnable",
          [](std::string &value) {
              uint8_t enable = 0;
              if (!RFID_GetEnable(&enable))
                  return false;
              value = std::to_string(enable);
              return true;
          },
          writeByte(RFID_SetEnable), "keyboard output: 1 on, 0 off"}},
        {"device-mode",
         {"RFID_GetDeviceMode",
          [](std::string &value) {
              int32_t mode = 0;
              if (!RFID_GetDeviceMode(&mode))
                  return false;
              value = std::to_string(mode);
              return true;
          },
          writeByte(RFID_SetDeviceMode), "0 normal (keyboard), 1 advanced (raw channel)"}},
        {"prefix", {"RFID_GetPrefix", readText(RFID_GetPrefix), writeText(RFID_SetPrefix),
                    "text typed before the card code (up to 6 characters)"}},
        {"sufix", {"RFID_GetSufix", readText(RFID_GetSufix), writeText(RFID_SetSufix),
                   "text typed after the card code (up to 6 characters)"}},
        {"before", {"RFID_GetBeforeHidKeyboardReport", readReport(RFID_GetBeforeHidKeyboardReport),
                    writeReport(RFID_SetBeforeHidKeyboardReport),
                    "keyboard report before the code: 8 hex bytes"}},
        {"after", {"RFID_GetAfterHidKeyboardReport", readReport(RFID_GetAfterHidKeyboardReport),
                   writeReport(RFID_SetAfterHidKeyboardReport),
                   "keyboard report after the code: 8 hex bytes"}},
        {"remove", {"RFID_GetRemoveHidKeyboardReport", readReport(RFID_GetRemoveHidKeyboardReport),
                    writeReport(RFID_SetRemoveHidKeyboardReport),
                    "keyboard report when the card leaves: 8 hex bytes"}},
        {"card-code",
         {"RFID_GetCardCode",
          [](std::string &value) {
              int32_t length = 0;
              uint8_t code[21] = {};
              if (!RFID_GetCardCode(&length, code))
                  return false;
              value = hexBytes(code, static_cast<size_t>(length));
              return true;
          },
          nullptr, "code of the card in the field (read only)"}},
    };
    return table;
}

} // namespace

int commandInfo()
{
    if (!RFID_OpenDevice())
        return noReader();
    TDeviceData data{};
    const bool ok = RFID_GetDeviceData(&data);
    if (!data.ManufacturerStr) // the reader went away before anything was read
        return noReader();
    std::printf("Manufacturer:    %s\n", data.ManufacturerStr);
    std::printf("Product:         %s\n", data.ProductStr);
    if (!ok)
        return callFailed("RFID_GetDeviceData");
    std::printf("Firmware:        %.1f\n", data.Version);
    std::printf("Factory ID:      %d\n", data.FactoryID);
    std::printf("Production date: %04d-%02d-%02d\n", data.ProductionYear, data.ProductionMonth,
                data.ProductionDay);
    return ExitOk;
}

int commandGet(const std::vector<std::string> &names)
{
    std::vector<std::string> wanted = names;
    if (wanted.empty())
        for (const auto &[name, setting] : settings())
            wanted.push_back(name);
    for (const std::string &name : wanted)
        if (!settings().count(name)) {
            std::fprintf(stderr, "korvelctl: unknown setting '%s' (see korvelctl --help)\n", name.c_str());
            return ExitBadArguments;
        }
    if (!RFID_OpenDevice())
        return noReader();
    int status = ExitOk;
    for (const std::string &name : wanted) {
        const Setting &setting = settings().at(name);
        std::string value;
        if (setting.read(value))
            std::printf("%s=%s\n", name.c_str(), value.c_str());
        else
            status = callFailed(setting.function);
    }
    return status;
}

int commandSet(const std::string &name, const std::string &value)
{
    const auto found = settings().find(name);
    if (found == settings().end() || !found->second.write) {
        std::fprintf(stderr, "korvelctl: '%s' is not a setting that can be written\n", name.c_str());
        return ExitBadArguments;
    }
    if (!RFID_OpenDevice())
        return noReader();
    bool valid = true;
    if (found->second.write(value, valid))
        return ExitOk;
    if (!valid) {
        std::fprintf(stderr, "korvelctl: bad value '%s' for %s: %s\n", value.c_str(), name.c_str(),
                     found->second.help);
        return ExitBadArguments;
    }
    std::string setter = found->second.function;
    setter.replace(5, 3, "Set");
    return callFailed(setter.c_str());
}

} // namespace korvelctl
