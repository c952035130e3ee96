#include "ReportText.h"

#include <gtest/gtest.h>

using namespace readerconfig;

namespace {

TKeybHIDReport Parse(const std::string &text, uint8_t reserved = 0)
{
    std::string error;
    const auto report = ParseReport(text, reserved, error);
    EXPECT_TRUE(report) << text << ": " << error;
    return report.value_or(TKeybHIDReport{});
}

TEST(ReportText, NamesInTheToolsOrder)
{
    EXPECT_EQ(ReportToText({0x81, 0, 0x04, 0x28, 0, 0, 0, 0}), "Left Control, Right GUI, Keyboard a, Keyboard ENTER");
    EXPECT_EQ(ReportToText({}), "none");
    // Reserved codes have no name of their own.
    EXPECT_EQ(ReportToText({0, 0, 0xA5, 0xDF, 0xE7, 0, 0, 0}), "0xA5, 0xDF, Keyboard Right GUI");
}

TEST(ReportText, ParsesNamesModifiersAndCodes)
{
    const TKeybHIDReport r = Parse("left shift, Right Alt, Keyboard a, keypad a, 0x2C", 7);
    EXPECT_EQ(r.Modifier, 0x42);
    EXPECT_EQ(r.Reserved, 7); // kept from the reader
    EXPECT_EQ(r.Key1, 0x04);
    EXPECT_EQ(r.Key2, 0xBC); // "Keypad A"
    EXPECT_EQ(r.Key3, 0x2C);
    EXPECT_EQ(Parse("Keyboard +").Key1, 0x2E);
    EXPECT_EQ(Parse("Keypad +/-").Key1, 0xD7);
}

TEST(ReportText, ExactNameWinsOverCaseInsensitive)
{
    EXPECT_EQ(Parse("Keyboard a").Key1, 0x04);
    EXPECT_EQ(Parse("Keypad A").Key1, 0xBC);
}

TEST(ReportText, HexFormGivesAllEightBytes)
{
    const TKeybHIDReport r = Parse("40 09 04 05 06 07 08 09", 1);
    EXPECT_EQ(r.Reserved, 9);
    EXPECT_EQ(r.Key6, 9);
}

TEST(ReportText, EveryNamedKeyRoundTrips)
{
    for (int code = 1; code <= 0xE7; ++code) {
        const TKeybHIDReport report{0, 0, static_cast<uint8_t>(code), 0, 0, 0, 0, 0};
        std::string error;
        const auto back = ParseReport(ReportToText(report), 0, error);
        ASSERT_TRUE(back) << code << " " << ReportToText(report) << ": " << error;
        EXPECT_EQ(back->Key1, code) << ReportToText(report);
    }
}

TEST(ReportText, Refusals)
{
    std::string error;
    EXPECT_FALSE(ParseReport("Keyboard q, Left Hyper", 0, error));
    EXPECT_NE(error.find("Left Hyper"), std::string::npos);
    EXPECT_FALSE(ParseReport("Keyboard a, Keyboard b, Keyboard c, Keyboard d, Keyboard e, Keyboard f, Keyboard g", 0, error));
    EXPECT_FALSE(ParseReport("0x100", 0, error));
}

} // namespace
