#include "TextFormat.h"

#include "ReaderText.h"

#include <cstdio>

namespace readerconfig {

std::string HexBytes(std::span<const uint8_t> bytes, std::string_view separator)
{
    static const char Digits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(bytes.size() * (2 + separator.size()));
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (i > 0)
            text += separator;
        text += Digits[bytes[i] >> 4];
        text += Digits[bytes[i] & 0x0F];
    }
    return text;
}

std::string HexByte(uint8_t value)
{
    return "0x" + HexBytes({&value, 1});
}

std::string EscapeControls(std::u32string_view text, Escapes style)
{
    const bool json = style == Escapes::Json;
    std::string out;
    for (const char32_t c : text) {
        if (json && (c == '"' || c == '\\')) {
            out += '\\';
            out += static_cast<char>(c);
        } else if (json && (c == '\n' || c == '\r' || c == '\t')) {
            out += c == '\n' ? "\\n" : c == '\r' ? "\\r" : "\\t";
        } else if (c < 0x20 || (c >= 0x7F && c <= 0x9F)) {
            char escape[8];
            std::snprintf(escape, sizeof escape, json ? "\\u%04x" : "\\x%02X", static_cast<unsigned>(c));
            out += escape;
        } else {
            out += UnicodeToUtf8(std::u32string_view(&c, 1));
        }
    }
    return out;
}

} // namespace readerconfig
