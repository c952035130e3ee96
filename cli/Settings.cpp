#include "Settings.h"

#include "ConfigBitNames.h"
#include "FirmwareRules.h"
#include "ReaderText.h"
#include "ReportText.h"
#include "Status.h"
#include "TextFormat.h"
#include "korvel.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace korvelctl {
namespace {

using readerconfig::ConfigBitMeanings;
using readerconfig::HexByte;
using readerconfig::ReportToHex;
using readerconfig::ReportToText;
using readerconfig::TConfigBitMeaning;

// A setting's parse: the write, or nullopt with the error.
using Parse = std::function<std::optional<Write>(const std::string &value, std::string &error)>;

std::optional<Write> Refuse(std::string &error, std::string message)
{
    error = std::move(message);
    return std::nullopt;
}

int Stored(bool ok, const char *function)
{
    return ok ? ExitOk : CallFailed(function);
}

std::optional<int32_t> ReadConfigByte(std::string &function)
{
    int32_t bits = 0;
    function = "RFID_GetConfigBits";
    if (!RFID_GetConfigBits(&bits))
        return std::nullopt;
    return bits;
}

std::optional<uint8_t> ParseByte(const std::string &text)
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
    return static_cast<uint8_t>(value);
}

Field ConfigBitsField(int32_t bits)
{
    return {"config-bits", HexByte(static_cast<uint8_t>(bits)), JsonInteger(bits)};
}

Setting ConfigBitsSetting()
{
    return {"config-bits", "0-255|0x00-0xFF", "the whole configuration byte",
            [](std::string &function) -> std::optional<Field> {
                const auto bits = ReadConfigByte(function);
                return bits ? std::optional(ConfigBitsField(*bits)) : std::nullopt;
            },
            [](const std::string &value, std::string &error) -> std::optional<Write> {
                const auto byte = ParseByte(value);
                if (!byte)
                    return Refuse(error, "'config-bits' takes a number from 0 to 255");
                return [byte = *byte] { return Stored(RFID_SetConfigBits(byte), "RFID_SetConfigBits"); };
            },
            // The reader gets the low byte of what the file holds.
            [](const TKeyboardConfig &config) { return ConfigBitsField(config.ConfByte & 0xFF); }};
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

Field BitField(const TConfigBitMeaning &bit, int32_t bits)
{
    const char *word = (bits & bit.mask) ? bit.set : bit.clear;
    return {bit.name, word, JsonString(word)};
}

Setting ConfigBitSetting(const TConfigBitMeaning &bit)
{
    return {bit.name, bit.values, bit.help,
            [bit](std::string &function) -> std::optional<Field> {
                const auto bits = ReadConfigByte(function);
                return bits ? std::optional(BitField(bit, *bits)) : std::nullopt;
            },
            [bit](const std::string &value, std::string &error) -> std::optional<Write> {
                const auto on = BitState(bit, value);
                if (!on)
                    return Refuse(error, std::string("'") + bit.name + "' takes " + bit.set + " or " + bit.clear);
                return [bit, on = *on] {
                    std::string function;
                    const auto bits = ReadConfigByte(function);
                    if (!bits)
                        return CallFailed(function);
                    const uint8_t updated = static_cast<uint8_t>(on ? (*bits | bit.mask) : (*bits & ~bit.mask));
                    return Stored(RFID_SetConfigBits(updated), "RFID_SetConfigBits");
                };
            },
            [bit](const TKeyboardConfig &config) { return BitField(bit, config.ConfByte); }};
}

// A setting of two words, each also written as 1 or 0.
Setting SwitchSetting(const char *name, const char *on, const char *off, const char *values, const char *help,
                      std::function<std::optional<Field>(std::string &function)> read, std::function<int(bool)> write)
{
    return {name, values, help, std::move(read),
            [=](const std::string &value, std::string &error) -> std::optional<Write> {
                if (value != on && value != off && value != "1" && value != "0")
                    return Refuse(error, std::string("'") + name + "' takes " + on + " or " + off);
                return [write, state = value == on || value == "1"] { return write(state); };
            }};
}

Field ReportField(const char *name, const TKeybHIDReport &report)
{
    const uint8_t *b = &report.Modifier;
    std::vector<JsonValue> keys;
    for (int i = 2; i < 8; ++i)
        keys.push_back(JsonInteger(b[i]));
    return {name, ReportToText(report),
            JsonObject({{"text", JsonString(ReportToText(report))},
                        {"bytes", JsonString(ReportToHex(report))},
                        {"modifier", JsonInteger(report.Modifier)},
                        {"reserved", JsonInteger(report.Reserved)},
                        {"keys", JsonArray(keys)}}),
            ReportToHex(report)};
}

Setting ReportSetting(const char *name, const char *help, int32_t(KORVEL_CALL *get)(TKeybHIDReport *),
                      int32_t(KORVEL_CALL *set)(const TKeybHIDReport *), const char *getName, const char *setName,
                      TKeybHIDReport TKeyboardConfig::*inFile)
{
    return {name, "\"MODIFIER, KEY, ...\"|none|\"8 hex bytes\"", help,
            [=](std::string &function) -> std::optional<Field> {
                TKeybHIDReport report{};
                function = getName;
                if (!get(&report))
                    return std::nullopt;
                return ReportField(name, report);
            },
            [=](const std::string &value, std::string &error) -> std::optional<Write> {
                const auto parsed = readerconfig::ParseReportValue(value, error);
                if (!parsed)
                    return std::nullopt;
                return [=, report = parsed->report]() mutable {
                    // The Reserved byte is kept as the reader holds it, unless given.
                    TKeybHIDReport current{};
                    if (!parsed->reservedGiven && !get(&current))
                        return CallFailed(getName);
                    if (!parsed->reservedGiven)
                        report.Reserved = current.Reserved;
                    return Stored(set(&report), setName);
                };
            },
            [=](const TKeyboardConfig &config) { return ReportField(name, config.*inFile); }};
}

// The reader's bytes as text for a terminal: through its code page, with
// control characters as \xNN.
std::string ShownText(const std::string &bytes)
{
    return readerconfig::EscapeControls(readerconfig::Cp1252ToUnicode(bytes), readerconfig::Escapes::Terminal);
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
            [=](const std::string &value, std::string &) -> std::optional<Write> {
                // The argument is UTF-8; the reader holds one code-page byte
                // per character.
                const std::u32string wanted = readerconfig::Utf8ToUnicode(value);
                return [=, note = readerconfig::TypingNote(wanted), bytes = readerconfig::UnicodeToCp1252(wanted)] {
                    if (!note.empty())
                        std::fprintf(stderr, "korvelctl: warning: %s\n", note.c_str());
                    if (!set(bytes.data(), static_cast<int32_t>(bytes.size())))
                        return CallFailed(setName);
                    // What the reader kept (trimmed, upper case, 6 characters),
                    // when it is not what was given.
                    char kept[RFID_TEXT_SIZE] = {};
                    if (get(kept) && std::string(kept, strnlen(kept, sizeof kept)) != bytes)
                        std::fprintf(stderr, "korvelctl: note: the reader kept \"%s\"\n",
                                     ShownText(std::string(kept, strnlen(kept, sizeof kept))).c_str());
                    return static_cast<int>(ExitOk);
                };
            }};
}

std::vector<Setting> MakeSettings()
{
    std::vector<Setting> all;
    all.push_back(ConfigBitsSetting());
    for (const TConfigBitMeaning &bit : ConfigBitMeanings)
        all.push_back(ConfigBitSetting(bit));
    all.push_back(SwitchSetting(
        "keyboard", "on", "off", "on|off", "keyboard output enabled",
        [](std::string &function) -> std::optional<Field> {
            uint8_t enable = 0;
            function = "RFID_GetEnable";
            if (!RFID_GetEnable(&enable))
                return std::nullopt;
            return Field{"keyboard", enable ? "on" : "off", JsonBool(enable != 0)};
        },
        [](bool on) { return Stored(RFID_SetEnable(on ? 1 : 0), "RFID_SetEnable"); }));
    all.push_back(SwitchSetting(
        "device-mode", "advanced", "normal", "normal|advanced", "normal (keyboard) or advanced (raw channel) mode",
        [](std::string &function) -> std::optional<Field> {
            int32_t mode = 0;
            function = "RFID_GetDeviceMode";
            if (!RFID_GetDeviceMode(&mode))
                return std::nullopt;
            const char *text = mode == 0 ? "normal" : "advanced";
            return Field{"device-mode", text, JsonString(text)};
        },
        [](bool advanced) { return Stored(RFID_SetDeviceMode(advanced ? 1 : 0), "RFID_SetDeviceMode"); }));
    all.push_back(TextSetting("prefix", "text typed before the card code", RFID_GetPrefix, RFID_SetPrefix,
                              "RFID_GetPrefix", "RFID_SetPrefix"));
    all.push_back(TextSetting("sufix", "text typed after the card code", RFID_GetSufix, RFID_SetSufix,
                              "RFID_GetSufix", "RFID_SetSufix"));
    all.push_back(ReportSetting("before", "keyboard report sent before the card code", RFID_GetBeforeHidKeyboardReport,
                                RFID_SetBeforeHidKeyboardReport, "RFID_GetBeforeHidKeyboardReport",
                                "RFID_SetBeforeHidKeyboardReport", &TKeyboardConfig::Before));
    all.push_back(ReportSetting("after", "keyboard report sent after the card code", RFID_GetAfterHidKeyboardReport,
                                RFID_SetAfterHidKeyboardReport, "RFID_GetAfterHidKeyboardReport",
                                "RFID_SetAfterHidKeyboardReport", &TKeyboardConfig::After));
    all.push_back(ReportSetting("remove", "keyboard report sent when the card leaves",
                                RFID_GetRemoveHidKeyboardReport, RFID_SetRemoveHidKeyboardReport,
                                "RFID_GetRemoveHidKeyboardReport", "RFID_SetRemoveHidKeyboardReport",
                                &TKeyboardConfig::Remove));
    all.push_back({"card-code", "(read only)", "code of the card in the field, hexadecimal",
                   [](std::string &function) -> std::optional<Field> {
                       int32_t length = 0;
                       uint8_t code[RFID_CARD_CODE_SIZE] = {};
                       function = "RFID_GetCardCode";
                       if (!RFID_GetCardCode(&length, code))
                           return std::nullopt;
                       const size_t shown = static_cast<size_t>(std::clamp<int32_t>(length, 0, sizeof code));
                       const std::string text = readerconfig::HexBytes({code, shown});
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
