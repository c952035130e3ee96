#include "ReportText.h"

#include "KeyList.h"
#include "TextFormat.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <vector>

namespace readerconfig {

const char *const ModifierNames[8] = {"Right GUI", "Right Alt", "Right Shift", "Right Control",
                                      "Left GUI",  "Left Alt",  "Left Shift",  "Left Control"};

namespace {

std::string Trim(const std::string &text)
{
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

bool SameText(const std::string &a, const char *b)
{
    const std::string other = b;
    return a.size() == other.size() && std::equal(a.begin(), a.end(), other.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

// The usage code a key name or "0x.." stands for.
std::optional<uint8_t> KeyCode(const std::string &name)
{
    for (int i = 0; i < KeyCount; ++i) // an exact match first ("Keyboard a" is not "Keypad A")
        if (name == KeyList[i])
            return static_cast<uint8_t>(KeyIndexToUsage(i));
    for (int i = 0; i < KeyCount; ++i)
        if (SameText(name, KeyList[i]))
            return static_cast<uint8_t>(KeyIndexToUsage(i));
    if (name.size() > 2 && name[0] == '0' && (name[1] == 'x' || name[1] == 'X')) {
        char *end = nullptr;
        const unsigned long code = std::strtoul(name.c_str() + 2, &end, 16);
        if (*end == '\0' && code <= 0xFF)
            return static_cast<uint8_t>(code);
    }
    return std::nullopt;
}

std::optional<TKeybHIDReport> ParseHex(const std::string &text)
{
    std::string digits;
    for (char c : text)
        if (c != ' ')
            digits += c;
    if (digits.size() != 16 || digits.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
        return std::nullopt;
    TKeybHIDReport report{};
    uint8_t *bytes = &report.Modifier;
    for (int i = 0; i < 8; ++i)
        bytes[i] = static_cast<uint8_t>(std::strtoul(digits.substr(2 * i, 2).c_str(), nullptr, 16));
    return report;
}

} // namespace

std::string ReportToHex(const TKeybHIDReport &report)
{
    return HexBytes({&report.Modifier, sizeof report}, " ");
}

std::string ReportToText(const TKeybHIDReport &report)
{
    std::vector<std::string> parts;
    for (int bit = 7; bit >= 0; --bit) // Left Control first, as people write them
        if (report.Modifier & (1u << bit))
            parts.push_back(ModifierNames[bit]);
    for (uint8_t key : {report.Key1, report.Key2, report.Key3, report.Key4, report.Key5, report.Key6}) {
        if (key == 0)
            continue;
        const int index = UsageToKeyIndex(key);
        // Reserved codes have no entry of their own: they are shown as numbers.
        const bool named = index >= 0 && index < KeyCount && KeyIndexToUsage(index) == key;
        parts.push_back(named ? KeyList[index] : HexByte(key));
    }
    if (parts.empty())
        return "none";
    std::string text;
    for (const std::string &part : parts)
        text += (text.empty() ? "" : ", ") + part;
    return text;
}

std::optional<ReportValue> ParseReportValue(const std::string &text, std::string &error)
{
    if (const auto hex = ParseHex(text))
        return ReportValue{*hex, true};
    TKeybHIDReport report{};
    if (SameText(Trim(text), "none"))
        return ReportValue{report, false};
    std::vector<uint8_t> keys;
    size_t start = 0;
    while (start <= text.size()) {
        size_t comma = text.find(',', start);
        if (comma == std::string::npos)
            comma = text.size();
        const std::string name = Trim(text.substr(start, comma - start));
        start = comma + 1;
        if (name.empty())
            continue;
        const auto modifier = std::find_if(std::begin(ModifierNames), std::end(ModifierNames),
                                           [&](const char *m) { return SameText(name, m); });
        if (modifier != std::end(ModifierNames)) {
            report.Modifier |= static_cast<uint8_t>(1u << (modifier - std::begin(ModifierNames)));
            continue;
        }
        const auto code = KeyCode(name);
        if (!code) {
            error = "unknown key or modifier '" + name + "'";
            return std::nullopt;
        }
        keys.push_back(*code);
    }
    if (keys.size() > 6) {
        error = "a report holds at most six keys";
        return std::nullopt;
    }
    uint8_t *slots[] = {&report.Key1, &report.Key2, &report.Key3, &report.Key4, &report.Key5, &report.Key6};
    for (size_t i = 0; i < keys.size(); ++i)
        *slots[i] = keys[i];
    return ReportValue{report, false};
}

std::optional<TKeybHIDReport> ParseReport(const std::string &text, uint8_t reserved, std::string &error)
{
    auto value = ParseReportValue(text, error);
    if (!value)
        return std::nullopt;
    if (!value->reservedGiven)
        value->report.Reserved = reserved;
    return value->report;
}

} // namespace readerconfig
