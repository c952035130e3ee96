#include "ReaderText.h"

#include <array>

namespace readerconfig {
namespace {

// Bytes 0x80-0x9F; 0 marks the undefined ones.
constexpr std::array<char32_t, 32> Upper80 = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

constexpr char32_t Replacement = 0xFFFD;

// The distinct characters, separated by blanks, and how many there are.
std::string Listed(std::u32string_view characters, std::size_t &count)
{
    std::string text;
    std::u32string seen;
    for (const char32_t c : characters) {
        if (seen.find(c) != std::u32string::npos)
            continue;
        seen += c;
        text += (text.empty() ? "" : " ") + UnicodeToUtf8(std::u32string_view(&c, 1));
    }
    count = seen.size();
    return text;
}

} // namespace

char32_t Cp1252ToUnicode(uint8_t byte)
{
    if (byte >= 0x80 && byte <= 0x9F && Upper80[byte - 0x80] != 0)
        return Upper80[byte - 0x80];
    return byte;
}

std::u32string Cp1252ToUnicode(std::string_view bytes)
{
    std::u32string text;
    for (const char b : bytes)
        text += Cp1252ToUnicode(static_cast<uint8_t>(b));
    return text;
}

std::string UnicodeToCp1252(std::u32string_view text, std::u32string *missing)
{
    std::string bytes;
    for (const char32_t c : text) {
        bool found = false;
        if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
            bytes += static_cast<char>(c);
            found = true;
        } else {
            for (std::size_t i = 0; i < Upper80.size() && !found; ++i) {
                // A defined character, or the C1 control an undefined byte stands for.
                if (Upper80[i] == c || (Upper80[i] == 0 && c == 0x80 + i)) {
                    bytes += static_cast<char>(0x80 + i);
                    found = true;
                }
            }
        }
        if (!found && missing)
            *missing += c;
    }
    return bytes;
}

bool ReaderCanType(char32_t c)
{
    return c >= 0x20 && c <= 0x7E;
}

std::string TypingNote(std::u32string_view text)
{
    std::u32string missing;
    UnicodeToCp1252(text, &missing);
    std::u32string untypeable;
    for (const char32_t c : text)
        if (!ReaderCanType(c) && missing.find(c) == std::u32string::npos)
            untypeable += c;
    // Short enough to stand beside an edit.
    std::string note;
    std::size_t count = 0;
    if (!missing.empty())
        note = Listed(missing, count) + " left out (not in the reader's code page, Windows-1252)";
    if (!untypeable.empty()) {
        const std::string listed = Listed(untypeable, count);
        note += (note.empty() ? "" : "; ") + listed + " kept, but the reader cannot type " + (count > 1 ? "them" : "it");
    }
    return note;
}

std::u32string Utf8ToUnicode(std::string_view text)
{
    std::u32string out;
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<uint8_t>(text[i]);
        int length = 0;
        char32_t c = 0;
        if (lead < 0x80) {
            length = 1;
            c = lead;
        } else if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
            c = lead & 0x1F;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            c = lead & 0x0F;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            c = lead & 0x07;
        }
        bool valid = length > 0 && i + static_cast<std::size_t>(length) <= text.size();
        for (int k = 1; valid && k < length; ++k) {
            const auto next = static_cast<uint8_t>(text[i + static_cast<std::size_t>(k)]);
            valid = (next & 0xC0) == 0x80;
            c = (c << 6) | (next & 0x3F);
        }
        // No overlong forms, no surrogates, nothing past U+10FFFF.
        static constexpr char32_t Smallest[] = {0, 0, 0x80, 0x800, 0x10000};
        if (valid && (c < Smallest[length] || (c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF))
            valid = false;
        if (!valid) {
            out += Replacement;
            ++i;
            continue;
        }
        out += c;
        i += static_cast<std::size_t>(length);
    }
    return out;
}

std::string UnicodeToUtf8(std::u32string_view text)
{
    std::string out;
    for (char32_t c : text) {
        if ((c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF)
            c = Replacement;
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

} // namespace readerconfig
