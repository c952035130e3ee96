// The text the reader stores (prefix and suffix) is 8-bit text in the
// system code page of the reader's home platform: Windows-1252 in Western
// locales. Files and readers configured there read the same here. The
// conversions work on Unicode code points; UTF-8 is what korvelctl reads
// and prints.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace readerconfig {

// Every byte has a character: the five bytes Windows-1252 leaves undefined
// (0x81, 0x8D, 0x8F, 0x90, 0x9D) stand for the C1 controls of the same
// value, as the platform's own conversion does, so that any byte a reader
// holds reads back and converts to the same byte.
char32_t Cp1252ToUnicode(uint8_t byte);
std::u32string Cp1252ToUnicode(std::string_view bytes);

// The bytes of the text; characters that have no byte are left out (one
// character is always one byte: nothing is ever split) and collected in
// `missing` when it is given.
std::string UnicodeToCp1252(std::u32string_view text, std::u32string *missing = nullptr);

// Whether the reader can type the character. It types through a keyboard
// whose layout it does not know, with usage codes of a US layout and at
// most Shift: so only printable ASCII (space to '~') is safe. Accented
// letters, the euro sign and the other upper half of the code page are kept
// in the reader but have no key it could press.
bool ReaderCanType(char32_t c);

// What to tell the user about the text, in UTF-8: the characters that are
// left out because the code page has no byte for them, and those that are
// kept but cannot be typed; empty when every character can be typed.
std::string TypingNote(std::u32string_view text);

// UTF-8 both ways. Malformed input gives U+FFFD for each bad byte; output
// is always valid UTF-8.
std::u32string Utf8ToUnicode(std::string_view text);
std::string UnicodeToUtf8(std::u32string_view text);

} // namespace readerconfig
