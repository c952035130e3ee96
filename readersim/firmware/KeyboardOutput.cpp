#include "KeyboardOutput.h"

#include <algorithm>
#include <cstdio>

namespace readersim {
namespace {

constexpr uint8_t LeftShift = 0x02;
constexpr uint8_t UsageEnter = 0x28;

BootReport FromReaderReport(const KeyboardReport &r)
{
    return {BootModifiers(r[0]), {r[2], r[3], r[4], r[5], r[6], r[7]}};
}

void Press(std::vector<BootReport> &out, const BootReport &report, bool release = true)
{
    out.push_back(report);
    if (release)
        out.push_back({});
}

void TypeText(std::vector<BootReport> &out, const std::string &text)
{
    for (char c : text)
        if (const auto key = KeyFor(c))
            Press(out, {static_cast<uint8_t>(key->shift ? LeftShift : 0), {key->usage}});
}

std::string Affix(const std::array<uint8_t, 6> &bytes)
{
    std::string text;
    for (uint8_t b : bytes)
        if (b != 0)
            text += static_cast<char>(b);
    return text;
}

bool Types(const ReaderSettings &s)
{
    return s.deviceMode == 0 && s.enable != 0;
}

} // namespace

uint8_t BootModifiers(uint8_t readerModifier)
{
    uint8_t boot = 0;
    for (int bit = 0; bit < 8; ++bit)
        if (readerModifier & (1u << bit))
            boot |= static_cast<uint8_t>(1u << (7 - bit));
    return boot;
}

std::string DecimalOf(const std::vector<uint8_t> &bigEndian)
{
    // Repeated division by 10 of the byte string.
    std::vector<uint8_t> number = bigEndian;
    std::string digits;
    while (std::any_of(number.begin(), number.end(), [](uint8_t b) { return b != 0; })) {
        unsigned remainder = 0;
        for (uint8_t &b : number) {
            const unsigned value = remainder * 256 + b;
            b = static_cast<uint8_t>(value / 10);
            remainder = value % 10;
        }
        digits += static_cast<char>('0' + remainder);
    }
    if (digits.empty())
        digits = "0";
    return {digits.rbegin(), digits.rend()};
}

std::string CodeText(const ReaderSettings &settings, const std::vector<uint8_t> &code)
{
    if (settings.confByte & ConfDecimal)
        return DecimalOf(code);
    const char *digits = (settings.confByte & ConfUpperCase) ? "0123456789ABCDEF" : "0123456789abcdef";
    std::string text;
    for (uint8_t b : code) {
        text += digits[b >> 4];
        text += digits[b & 15];
    }
    return text;
}

std::optional<KeyForChar> KeyFor(char c)
{
    if (c >= 'a' && c <= 'z')
        return KeyForChar{static_cast<uint8_t>(0x04 + (c - 'a')), false};
    if (c >= 'A' && c <= 'Z')
        return KeyForChar{static_cast<uint8_t>(0x04 + (c - 'A')), true};
    if (c >= '1' && c <= '9')
        return KeyForChar{static_cast<uint8_t>(0x1E + (c - '1')), false};
    if (c == '0')
        return KeyForChar{0x27, false};
    static constexpr struct {
        char c;
        uint8_t usage;
        bool shift;
    } others[] = {
        {'!', 0x1E, true}, {'@', 0x1F, true}, {'#', 0x20, true}, {'$', 0x21, true}, {'%', 0x22, true},
        {'^', 0x23, true}, {'&', 0x24, true}, {'*', 0x25, true}, {'(', 0x26, true}, {')', 0x27, true},
        {'\n', 0x28, false}, {'\t', 0x2B, false}, {' ', 0x2C, false}, {'-', 0x2D, false}, {'_', 0x2D, true},
        {'=', 0x2E, false}, {'+', 0x2E, true}, {'[', 0x2F, false}, {'{', 0x2F, true}, {']', 0x30, false},
        {'}', 0x30, true}, {'\\', 0x31, false}, {'|', 0x31, true}, {';', 0x33, false}, {':', 0x33, true},
        {'\'', 0x34, false}, {'"', 0x34, true}, {'`', 0x35, false}, {'~', 0x35, true}, {',', 0x36, false},
        {'<', 0x36, true}, {'.', 0x37, false}, {'>', 0x37, true}, {'/', 0x38, false}, {'?', 0x38, true},
    };
    for (const auto &o : others)
        if (o.c == c)
            return KeyForChar{o.usage, o.shift};
    return std::nullopt;
}

std::vector<BootReport> TypeCard(const ReaderSettings &s, const std::vector<uint8_t> &code)
{
    std::vector<BootReport> out;
    if (!Types(s))
        return out;
    if (const BootReport before = FromReaderReport(s.before); !before.empty())
        Press(out, before);
    if (s.confByte & ConfManagerCompatible)
        TypeText(out, "EEEEEE");
    TypeText(out, Affix(s.prefix));
    TypeText(out, CodeText(s, code));
    TypeText(out, Affix(s.sufix));
    if (s.confByte & ConfEnter)
        Press(out, {0, {UsageEnter}});
    if (const BootReport after = FromReaderReport(s.after); !after.empty())
        Press(out, after, !(s.confByte & ConfLeaveUntilRemoved));
    return out;
}

std::vector<BootReport> TypeRemoval(const ReaderSettings &s)
{
    std::vector<BootReport> out;
    if (!Types(s))
        return out;
    if ((s.confByte & ConfLeaveUntilRemoved) && !FromReaderReport(s.after).empty())
        out.push_back({}); // let go of the After report
    if (const BootReport remove = FromReaderReport(s.remove); !remove.empty())
        Press(out, remove);
    return out;
}

std::string Describe(const std::vector<BootReport> &reports)
{
    static const char *const modifierNames[] = {"LCtrl", "LShift", "LAlt", "LGUI", "RCtrl", "RShift", "RAlt", "RGUI"};
    std::string text;
    for (const BootReport &r : reports) {
        if (r.empty())
            continue;
        const int keys = static_cast<int>(std::count_if(r.keys.begin(), r.keys.end(), [](uint8_t k) { return k; }));
        // A plain character: one key, at most Shift.
        if (keys == 1 && (r.modifiers == 0 || r.modifiers == LeftShift) && r.keys[1] == 0) {
            if (r.keys[0] == UsageEnter) {
                text += "<Enter>";
                continue;
            }
            bool found = false;
            for (int c = 32; c < 127 && !found; ++c) {
                const auto key = KeyFor(static_cast<char>(c));
                if (key && key->usage == r.keys[0] && key->shift == (r.modifiers == LeftShift)) {
                    text += static_cast<char>(c);
                    found = true;
                }
            }
            if (found)
                continue;
        }
        std::string part;
        for (int bit = 0; bit < 8; ++bit)
            if (r.modifiers & (1u << bit))
                part += (part.empty() ? "" : "+") + std::string(modifierNames[bit]);
        for (uint8_t k : r.keys)
            if (k) {
                char code[8];
                std::snprintf(code, sizeof code, "0x%02X", k);
                part += (part.empty() ? "" : "+") + std::string(code);
            }
        text += "{" + part + "}";
    }
    return text;
}

} // namespace readersim
