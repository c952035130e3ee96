#include "TextFormat.h"

#include <gtest/gtest.h>

#include <vector>

using namespace readerconfig;

namespace {

TEST(TextFormat, HexBytes)
{
    const std::vector<uint8_t> code = {0x12, 0xAB, 0x00, 0x0F};
    EXPECT_EQ(HexBytes(code), "12AB000F");
    EXPECT_EQ(HexBytes(code, " "), "12 AB 00 0F");
    EXPECT_EQ(HexBytes({}), "");
    EXPECT_EQ(HexByte(0x0A), "0x0A");
    EXPECT_EQ(HexByte(0xFF), "0xFF");
}

TEST(TextFormat, EscapesControlCharactersForTheTerminalAndForJson)
{
    const struct {
        std::u32string text;
        const char *terminal;
        const char *json;
    } cases[] = {
        {U"plain \u00C4\u20AC", "plain \u00C4\u20AC", "plain \u00C4\u20AC"},
        {U"\x01\x1F\x7F\x81\x9F\xA0", "\\x01\\x1F\\x7F\\x81\\x9F\u00A0", "\\u0001\\u001f\\u007f\\u0081\\u009f\u00A0"},
        {U"a\"b\\c", "a\"b\\c", "a\\\"b\\\\c"},
        {U"\n\r\t", "\\x0A\\x0D\\x09", "\\n\\r\\t"},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(EscapeControls(c.text, Escapes::Terminal), c.terminal);
        EXPECT_EQ(EscapeControls(c.text, Escapes::Json), c.json);
    }
}

} // namespace
