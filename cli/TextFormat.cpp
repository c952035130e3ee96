#include "TextFormat.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>

namespace korvelctl {

std::string formatReport(const TKeybHIDReport &report)
{
    const uint8_t *bytes = &report.Modifier;
    std::string text;
    for (int i = 0; i < 8; ++i) {
        char hex[4];
        std::snprintf(hex, sizeof hex, i ? " %02X" : "%02X", bytes[i]);
        text += hex;
    }
    return text;
}

std::optional<TKeybHIDReport> parseReport(const std::string &text)
{
    std::string digits;
    for (char c : text)
        if (c != ' ' && c != ',' && c != ':')
            digits += c;
    if (digits.size() != 16 || digits.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
        return std::nullopt;
    TKeybHIDReport report{};
    uint8_t *bytes = &report.Modifier;
    for (int i = 0; i < 8; ++i)
        bytes[i] = static_cast<uint8_t>(std::strtoul(digits.substr(2 * i, 2).c_str(), nullptr, 16));
    return report;
}

std::string hexBytes(const uint8_t *bytes, size_t count)
{
    std::string text;
    for (size_t i = 0; i < count; ++i) {
        char hex[3];
        std::snprintf(hex, sizeof hex, "%02X", bytes[i]);
        text += hex;
    }
    return text;
}

std::optional<long> parseNumber(const std::string &text, long min, long max)
{
    if (text.empty())
        return std::nullopt;
    const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    char *end = nullptr;
    errno = 0;
    const long value = std::strtol(hex ? text.c_str() + 2 : text.c_str(), &end, hex ? 16 : 10);
    if (errno != 0 || *end != '\0' || value < min || value > max)
        return std::nullopt;
    return value;
}

} // namespace korvelctl
