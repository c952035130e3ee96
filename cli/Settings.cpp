#include "Settings.h"

#include "ConfigBitNames.h"
#include "FirmwareRules.h"
#include "ReaderText.h"
#include "ReportText.h"
#include "Status.h"
#include "korvel.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

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
    const char *digits = text.c_str() + (hex ? 2 : 0);
    if (!std::isxdigit(static_cast<unsigned char>(*digits)))
        return std::nullopt; // no sign, no blanks
    char *end = nullptr;
    errno = 0;
    const long value = std::strtol(digits, &end, hex ? 16 : 10);
    if (*end != '\0' || errno == ERANGE || value < 0 || value > 255)
        return std::nullopt;
    return value;
}

// The state a word names for the bit ("on", "1", "upper", ...).
std::optional<bool> BitState(const TConfigBitMeaning &bit, const std::string &value)
{
    if (value == bit.set || (std::string(bit.set) == "on" && value == "1"))
        return true;
    if (value == bit.clear || (std::string(bit.clear) == "off" && value == "0"))
        return false;
    return std::nullopt;
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
                const auto on = BitState(bit, value);
                if (!on)
                    return BadArguments(std::string("'") + bit.name + "' takes " + bit.set + " or " + bit.clear);
                std::string function;
                const auto bits = ReadConfigByte(function);
                if (!bits)
                    return CallFailed(function);
                const uint8_t updated = static_cast<uint8_t>(*on ? (*bits | bit.mask) : (*bits & ~bit.mask));
                return RFID_SetConfigBits(updated) ? ExitOk : CallFailed("RFID_SetConfigBits");
            },
            [bit](const std::string &value) {
                return BitState(bit, value) ? std::string()
                                            : std::string("'") + bit.name + "' takes " + bit.set + " or " + bit.clear;
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
            },
            [](const std::string &value) {
                std::string error;
                ParseReport(value, 0, error);
                return error;
            }};
}

// The reader's bytes as text for a terminal: through its code page, with
// control characters as \xNN.
std::string ShownText(const std::string &bytes)
{
    std::string text;
    for (const char32_t c : readerconfig::Cp1252ToUnicode(bytes)) {
        if (c < 0x20 || (c >= 0x7F && c <= 0x9F)) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\x%02X", static_cast<unsigned>(c));
            text += escape;
        } else {
            text += readerconfig::UnicodeToUtf8(std::u32string_view(&c, 1));
        }
    }
    return text;
}

Setting TextSetting(const char *name, const char *help, int32_t(KORVEL_CALL *get)(char *),
                    int32_t(KORVEL_CALL *set)(const char *, int32_t), const char *getName, const char *setName)
{
    return {name, "TEXT", help,
            [=](std::string &function) -> std::optional<Field> {
                char text[RFID_TEXT_SIZE] = {};
                function = getName;
                if (!get(text))
                    return std::nullopt;
                const std::string bytes(text, strnlen(text, sizeof text));
                const std::string utf8 = readerconfig::UnicodeToUtf8(readerconfig::Cp1252ToUnicode(bytes));
                return Field{name, ShownText(bytes), JsonString(utf8)};
            },
            [=](const std::string &value) {
                // The argument is UTF-8; the reader holds one code-page byte
                // per character.
                const std::u32string wanted = readerconfig::Utf8ToUnicode(value);
                const std::string note = readerconfig::TypingNote(wanted);
                if (!note.empty())
                    std::fprintf(stderr, "korvelctl: warning: %s\n", note.c_str());
                const std::string bytes = readerconfig::UnicodeToCp1252(wanted);
                if (!set(bytes.data(), static_cast<int32_t>(bytes.size())))
                    return CallFailed(setName);
                // What the reader kept (trimmed, upper case, 6 characters),
                // when it is not what was given.
                char kept[RFID_TEXT_SIZE] = {};
                if (get(kept) && std::string(kept, strnlen(kept, sizeof kept)) != bytes)
                    std::fprintf(stderr, "korvelctl: note: the reader kept \"%s\"\n",
                                 ShownText(std::string(kept, strnlen(kept, sizeof kept))).c_str());
                return static_cast<int>(ExitOk);
            },
            [](const std::string &) { return std::string(); }};
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
                   },
                   [](const std::string &value) {
                       return ParseByte(value) ? std::string() : "'config-bits' takes a number from 0 to 255";
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
                   },
                   [](const std::string &value) {
                       return value == "on" || value == "off" || value == "1" || value == "0"
                                  ? std::string()
                                  : "'keyboard' takes on or off";
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
                   },
                   [](const std::string &value) {
                       return value == "normal" || value == "advanced" || value == "0" || value == "1"
                                  ? std::string()
                                  : "'device-mode' takes normal or advanced";
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
                       uint8_t code[RFID_CARD_CODE_SIZE] = {};
                       function = "RFID_GetCardCode";
                       if (!RFID_GetCardCode(&length, code))
                           return std::nullopt;
                       std::string text;
                       for (int32_t i = 0; i < length && i < RFID_CARD_CODE_SIZE; ++i)
                           text += Hex2(code[i]).substr(2);
                       return Field{"card-code", text, JsonString(text)};
                   },
                   nullptr, nullptr,
                   readerconfig::FirstVersionWithCardCode});
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
