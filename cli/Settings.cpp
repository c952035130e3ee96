#include "Settings.h"

#include "ConfigBitNames.h"
#include "ReportText.h"
#include "Status.h"
#include "korvel.h"

#include <cstdio>
#include <cstdlib>

namespace korvelctl {
namespace {

using readerconfig::ConfigBitMeanings;
using readerconfig::ParseReport;
using readerconfig::ReportToHex;
using readerconfig::ReportToText;
using readerconfig::TConfigBitMeaning;

std::string Hex2(unsigned value)
{
    char text[8];
    std::snprintf(text, sizeof text, "0x%02X", value & 0xFF);
    return text;
}

std::optional<int32_t> ReadConfigByte(std::string &function)
{
    int32_t bits = 0;
    function = "RFID_GetConfigBits";
    if (!RFID_GetConfigBits(&bits))
        return std::nullopt;
    return bits;
}

std::optional<long> ParseByte(const std::string &text)
{
    if (text.empty())
        return std::nullopt;
    const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    char *end = nullptr;
    const long value = std::strtol(text.c_str() + (hex ? 2 : 0), &end, hex ? 16 : 10);
    if (*end != '\0' || value < 0 || value > 255)
        return std::nullopt;
    return value;
}

Setting ConfigBitSetting(const TConfigBitMeaning &bit)
{
    return {bit.name, bit.values, bit.help,
            [bit](std::string &function) -> std::optional<Field> {
                const auto bits = ReadConfigByte(function);
                if (!bits)
                    return std::nullopt;
                const bool on = *bits & bit.mask;
                return Field{bit.name, on ? bit.set : bit.clear, JsonString(on ? bit.set : bit.clear)};
            },
            [bit](const std::string &value) {
                bool on;
                if (value == bit.set || (std::string(bit.set) == "on" && value == "1"))
                    on = true;
                else if (value == bit.clear || (std::string(bit.clear) == "off" && value == "0"))
                    on = false;
                else
                    return BadArguments(std::string("'") + bit.name + "' takes " + bit.set + " or " + bit.clear);
                std::string function;
                const auto bits = ReadConfigByte(function);
                if (!bits)
                    return CallFailed(function);
                const uint8_t updated = static_cast<uint8_t>(on ? (*bits | bit.mask) : (*bits & ~bit.mask));
                return RFID_SetConfigBits(updated) ? ExitOk : CallFailed("RFID_SetConfigBits");
            }};
}

Setting ReportSetting(const char *name, const char *help, int32_t(KORVEL_CALL *get)(TKeybHIDReport *),
                      int32_t(KORVEL_CALL *set)(const TKeybHIDReport *), const char *getName, const char *setName)
{
    return {name, "\"MODIFIER, KEY, ...\"|none|\"8 hex bytes\"", help,
            [=](std::string &function) -> std::optional<Field> {
                TKeybHIDReport report{};
                function = getName;
                if (!get(&report))
                    return std::nullopt;
                const uint8_t *b = &report.Modifier;
                std::vector<JsonValue> keys;
                for (int i = 2; i < 8; ++i)
                    keys.push_back(JsonInteger(b[i]));
                return Field{name, ReportToText(report),
                             JsonObject({{"text", JsonString(ReportToText(report))},
                                         {"bytes", JsonString(ReportToHex(report))},
                                         {"modifier", JsonInteger(report.Modifier)},
                                         {"reserved", JsonInteger(report.Reserved)},
                                         {"keys", JsonArray(keys)}})};
            },
            [=](const std::string &value) {
                // The Reserved byte is kept as the reader holds it.
                TKeybHIDReport current{};
                if (!get(&current))
                    return CallFailed(getName);
                std::string error;
                const auto report = ParseReport(value, current.Reserved, error);
                if (!report)
                    return BadArguments(error);
                return set(&*report) ? ExitOk : CallFailed(setName);
            }};
}

Setting TextSetting(const char *name, const char *help, int32_t(KORVEL_CALL *get)(char *),
                    int32_t(KORVEL_CALL *set)(const char *, int32_t), const char *getName, const char *setName)
{
    return {name, "TEXT", help,
            [=](std::string &function) -> std::optional<Field> {
                char text[9] = {};
                function = getName;
                if (!get(text))
                    return std::nullopt;
                return Field{name, text, JsonString(text)};
            },
            [=](const std::string &value) {
                if (value.size() > 6)
                    std::fprintf(stderr, "korvelctl: note: the reader keeps only 6 characters\n");
                return set(value.data(), static_cast<int32_t>(value.size())) ? ExitOk : CallFailed(setName);
            }};
}

std::vector<Setting> MakeSettings()
{
    std::vector<Setting> all;
    all.push_back({"config-bits", "0-255|0x00-0xFF", "the whole configuration byte",
                   [](std::string &function) -> std::optional<Field> {
                       const auto bits = ReadConfigByte(function);
                       if (!bits)
                           return std::nullopt;
                       return Field{"config-bits", Hex2(static_cast<unsigned>(*bits)), JsonInteger(*bits)};
                   },
                   [](const std::string &value) {
                       const auto byte = ParseByte(value);
                       if (!byte)
                           return BadArguments("'config-bits' takes a number from 0 to 255");
                       return RFID_SetConfigBits(static_cast<uint8_t>(*byte)) ? ExitOk : CallFailed("RFID_SetConfigBits");
                   }});
    for (const TConfigBitMeaning &bit : ConfigBitMeanings)
        all.push_back(ConfigBitSetting(bit));
    all.push_back({"keyboard", "on|off", "keyboard output enabled",
                   [](std::string &function) -> std::optional<Field> {
                       uint8_t enable = 0;
                       function = "RFID_GetEnable";
                       if (!RFID_GetEnable(&enable))
                           return std::nullopt;
                       return Field{"keyboard", enable ? "on" : "off", JsonBool(enable != 0)};
                   },
                   [](const std::string &value) {
                       if (value != "on" && value != "off" && value != "1" && value != "0")
                           return BadArguments("'keyboard' takes on or off");
                       const bool on = value == "on" || value == "1";
                       return RFID_SetEnable(on ? 1 : 0) ? ExitOk : CallFailed("RFID_SetEnable");
                   }});
    all.push_back({"device-mode", "normal|advanced", "normal (keyboard) or advanced (raw channel) mode",
                   [](std::string &function) -> std::optional<Field> {
                       int32_t mode = 0;
                       function = "RFID_GetDeviceMode";
                       if (!RFID_GetDeviceMode(&mode))
                           return std::nullopt;
                       const char *text = mode == 0 ? "normal" : "advanced";
                       return Field{"device-mode", text, JsonString(text)};
                   },
                   [](const std::string &value) {
                       if (value != "normal" && value != "advanced" && value != "0" && value != "1")
                           return BadArguments("'device-mode' takes normal or advanced");
                       const uint8_t mode = value == "advanced" || value == "1";
                       return RFID_SetDeviceMode(mode) ? ExitOk : CallFailed("RFID_SetDeviceMode");
                   }});
    all.push_back(TextSetting("prefix", "text typed before the card code", RFID_GetPrefix, RFID_SetPrefix,
                              "RFID_GetPrefix", "RFID_SetPrefix"));
    all.push_back(TextSetting("sufix", "text typed after the card code", RFID_GetSufix, RFID_SetSufix,
                              "RFID_GetSufix", "RFID_SetSufix"));
    all.push_back(ReportSetting("before", "keyboard report sent before the card code", RFID_GetBeforeHidKeyboardReport,
                                RFID_SetBeforeHidKeyboardReport, "RFID_GetBeforeHidKeyboardReport",
                                "RFID_SetBeforeHidKeyboardReport"));
    all.push_back(ReportSetting("after", "keyboard report sent after the card code", RFID_GetAfterHidKeyboardReport,
                                RFID_SetAfterHidKeyboardReport, "RFID_GetAfterHidKeyboardReport",
                                "RFID_SetAfterHidKeyboardReport"));
    all.push_back(ReportSetting("remove", "keyboard report sent when the card leaves",
                                RFID_GetRemoveHidKeyboardReport, RFID_SetRemoveHidKeyboardReport,
                                "RFID_GetRemoveHidKeyboardReport", "RFID_SetRemoveHidKeyboardReport"));
    all.push_back({"card-code", "(read only)", "code of the card in the field, hexadecimal",
                   [](std::string &function) -> std::optional<Field> {
                       int32_t length = 0;
                       uint8_t code[21] = {};
                       function = "RFID_GetCardCode";
                       if (!RFID_GetCardCode(&length, code))
                           return std::nullopt;
                       std::string text;
                       for (int32_t i = 0; i < length && i < 21; ++i)
                           text += Hex2(code[i]).substr(2);
                       return Field{"card-code", text, JsonString(text)};
                   },
                   nullptr});
    return all;
}

} // namespace

const std::vector<Setting> &Settings()
{
    static const std::vector<Setting> all = MakeSettings();
    return all;
}

const Setting *FindSetting(const std::string &name)
{
    for (const Setting &s : Settings())
        if (name == s.name)
            return &s;
    return nullptr;
}

} // namespace korvelctl
