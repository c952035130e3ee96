// The text form of the reader's settings, as the host's state file keeps it.
#include "ReaderSettings.h"

#include "HexText.h"

#include <algorithm>
#include <charconv>
#include <optional>
#include <sstream>
#include <string_view>

namespace readersim {
namespace {

std::string_view trim(std::string_view s)
{
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
    while (!s.empty() && blank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && blank(s.back()))
        s.remove_suffix(1);
    return s;
}

// A whole-string number, hexadecimal when `base` is 16 or the text starts
// with 0x, no larger than `max`.
std::optional<uint32_t> parseNumber(std::string_view s, uint32_t max, int base = 10)
{
    if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
        s.remove_prefix(2);
        base = 16;
    }
    uint32_t value = 0;
    const auto [end, error] = std::from_chars(s.data(), s.data() + s.size(), value, base);
    if (s.empty() || error != std::errc{} || end != s.data() + s.size() || value > max)
        return std::nullopt;
    return value;
}

// Exactly N space-separated byte values.
template <size_t N>
std::optional<std::array<uint8_t, N>> parseByteList(std::string_view s, int base)
{
    std::array<uint8_t, N> out{};
    size_t count = 0;
    while (!(s = trim(s)).empty()) {
        const size_t space = std::min(s.find(' '), s.size());
        const auto value = parseNumber(s.substr(0, space), 0xFF, base);
        if (!value || count == N)
            return std::nullopt;
        out[count++] = static_cast<uint8_t>(*value);
        s.remove_prefix(space);
    }
    if (count != N)
        return std::nullopt;
    return out;
}

} // namespace

std::string ReaderSettings::toText() const
{
    std::string out;
    const auto line = [&out](const char *key, const std::string &value) {
        out += key;
        out += '=';
        out += value;
        out += '\n';
    };
    line("confByte", HexByte(confByte));
    line("confByte2", HexByte(confByte2));
    line("deviceMode", std::to_string(deviceMode));
    line("enable", std::to_string(enable));
    for (size_t i = 0; i < 3; ++i)
        line(KeyboardReportNames[i], HexList(this->*KeyboardReportFields[i]));
    line("prefix", HexList(prefix));
    line("sufix", HexList(sufix));
    line("factoryId", std::to_string(factoryId));
    line("productionDate", std::to_string(productionYear) + ' ' + std::to_string(productionMonth) +
                               ' ' + std::to_string(productionDay));
    return out;
}

ReaderSettings ReaderSettings::fromText(const std::string &text)
{
    ReaderSettings s;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        const size_t eq = line.find('=');
        if (eq == std::string::npos)
            continue;
        const std::string_view key = trim(std::string_view(line).substr(0, eq));
        const std::string_view value = trim(std::string_view(line).substr(eq + 1));
        const auto byte = [&](uint8_t &field) {
            if (const auto n = parseNumber(value, 0xFF))
                field = static_cast<uint8_t>(*n);
        };
        const auto bytes = [&]<size_t N>(std::array<uint8_t, N> &field) {
            if (const auto list = parseByteList<N>(value, 16))
                field = *list;
        };

        if (key == "confByte")
            byte(s.confByte);
        else if (key == "confByte2")
            byte(s.confByte2);
        else if (key == "deviceMode")
            byte(s.deviceMode);
        else if (key == "enable")
            byte(s.enable);
        else if (key == "before")
            bytes(s.before);
        else if (key == "after")
            bytes(s.after);
        else if (key == "remove")
            bytes(s.remove);
        else if (key == "prefix")
            bytes(s.prefix);
        else if (key == "sufix")
            bytes(s.sufix);
        else if (key == "factoryId") {
            if (const auto n = parseNumber(value, 0xFFFFFFFF))
                s.factoryId = *n;
        } else if (key == "productionDate") {
            if (const auto date = parseByteList<3>(value, 10)) {
                s.productionYear = (*date)[0];
                s.productionMonth = (*date)[1];
                s.productionDay = (*date)[2];
            }
        }
    }
    return s;
}

} // namespace readersim
