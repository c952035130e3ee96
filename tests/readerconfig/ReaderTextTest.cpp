// The reader's text in Windows-1252, the typing note, and UTF-8.
#include "ReaderText.h"

#include <gtest/gtest.h>

using namespace readerconfig;

TEST(ReaderText, EveryByteRoundTripsAndNoCharacterIsSplit)
{
    for (int b = 0; b < 256; ++b) {
        const std::string byte(1, static_cast<char>(b));
        std::u32string missing;
        EXPECT_EQ(UnicodeToCp1252(Cp1252ToUnicode(byte), &missing), byte) << b;
        EXPECT_TRUE(missing.empty()) << b;
        // Through UTF-8 and back, as korvelctl and JSON carry it.
        EXPECT_EQ(Utf8ToUnicode(UnicodeToUtf8(Cp1252ToUnicode(byte))), Cp1252ToUnicode(byte)) << b;
    }
    const struct {
        std::u32string text;
        std::string bytes;
        std::u32string missing;
    } cases[] = {
        {U"\u00C4\u00C9\u20ACx", "\xC4\xC9\x80x", U""},     // ÄÉ€x
        {U"\u0160\u0178\u2122\u00FF", "\x8A\x9F\x99\xFF", U""}, // ŠŸ™ÿ
        {U"A\u03A9B\U0001F600", "AB", U"\u03A9\U0001F600"},      // Ω and an emoji have no byte
        {U"\u0081\u009D", "\x81\x9D", U""},                      // the undefined bytes' stand-ins
    };
    for (const auto &c : cases) {
        std::u32string missing;
        EXPECT_EQ(UnicodeToCp1252(c.text, &missing), c.bytes);
        EXPECT_EQ(missing, c.missing);
    }
}

TEST(ReaderText, NoteNamesWhatIsLeftOutAndWhatCannotBeTyped)
{
    EXPECT_EQ(TypingNote(U"AB-1 ~!"), "");
    const std::string note = TypingNote(U"\u00C4\u20ACX\u03A9\u00C4");
    EXPECT_EQ(note, "\u03A9 left out (not in the reader's code page, Windows-1252); "
                    "\u00C4 \u20AC kept, but the reader cannot type them");
    EXPECT_EQ(TypingNote(U"A\u00E9"), "\u00E9 kept, but the reader cannot type it");
    for (char32_t c = 0; c < 0x100; ++c)
        EXPECT_EQ(ReaderCanType(c), c >= 0x20 && c <= 0x7E) << static_cast<unsigned>(c);
}

TEST(ReaderText, MalformedUtf8GivesOneReplacementPerBadByte)
{
    const std::pair<std::string, std::u32string> cases[] = {
        {"a\xC3\xA4", U"a\u00E4"},
        {"\xC3", U"\uFFFD"},                     // cut short
        {"\xE2\x82", U"\uFFFD\uFFFD"},           // cut short after two
        {"\xC0\xAF", U"\uFFFD\uFFFD"},           // overlong
        {"\xED\xA0\x80", U"\uFFFD\uFFFD\uFFFD"}, // a surrogate
        {"\xF4\x90\x80\x80", U"\uFFFD\uFFFD\uFFFD\uFFFD"},
        {"\xFF" "b", U"\uFFFDb"},
    };
    for (const auto &[bytes, text] : cases)
        EXPECT_EQ(Utf8ToUnicode(bytes), text) << bytes;
}
