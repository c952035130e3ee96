#include "KeyboardOutput.h"
#include "ReaderFirmware.h"

#include <algorithm>

#include <gtest/gtest.h>

using namespace readersim;

namespace {

ReaderSettings Plain(uint8_t confByte)
{
    ReaderSettings s;
    s.confByte = confByte;
    return s;
}

TEST(KeyboardOutput, HexadecimalInEitherCase)
{
    EXPECT_EQ(CodeText(Plain(0x02), {0x12, 0xAB, 0x00}), "12AB00");
    EXPECT_EQ(CodeText(Plain(0x00), {0x12, 0xAB, 0x00}), "12ab00");
}

TEST(KeyboardOutput, DecimalIsTheBigEndianNumber)
{
    EXPECT_EQ(CodeText(Plain(0x20), {0x12, 0xAB, 0x00}), "1223424");
    EXPECT_EQ(DecimalOf({}), "0");
    EXPECT_EQ(DecimalOf({0, 0, 7}), "7");
    EXPECT_EQ(DecimalOf({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}), "18446744073709551615");
    // 21 bytes: beyond any machine integer.
    EXPECT_EQ(DecimalOf(std::vector<uint8_t>(21, 0xFF)).size(), 51u);
}

TEST(KeyboardOutput, EverythingInOrder)
{
    ReaderSettings s = Plain(0x01 | 0x02 | 0x10); // Enter, upper case, manager compatible
    s.before = {0x02, 0, 0x2B, 0, 0, 0, 0, 0};    // Right Alt + Tab
    s.prefix = {'<', 0, 0, 0, 0, 0};
    s.sufix = {'>', 0, 0, 0, 0, 0};
    s.after = {0x80, 0, 0x04, 0, 0, 0, 0, 0}; // Left Control + a
    const auto reports = TypeCard(s, {0xAB});
    EXPECT_EQ(Describe(reports), "{RAlt+0x2B}EEEEEE<AB><Enter>{LCtrl+0x04}");
    // Every press is let go again.
    for (size_t i = 1; i < reports.size(); i += 2)
        EXPECT_TRUE(reports[i].empty()) << i;
}

TEST(KeyboardOutput, ReversedModifierBits)
{
    EXPECT_EQ(BootModifiers(0x01), 0x80); // Right GUI
    EXPECT_EQ(BootModifiers(0x80), 0x01); // Left Control
    EXPECT_EQ(BootModifiers(0x42), 0x42); // Left Shift + Right Alt is its own mirror
}

TEST(KeyboardOutput, NothingInAdvancedModeOrWithKeyboardOff)
{
    ReaderSettings s = Plain(0x02);
    s.deviceMode = 1;
    EXPECT_TRUE(TypeCard(s, {1}).empty());
    s.deviceMode = 0;
    s.enable = 0;
    EXPECT_TRUE(TypeCard(s, {1}).empty());
    EXPECT_TRUE(TypeRemoval(s).empty());
}

TEST(KeyboardOutput, AfterReportHeldUntilRemoval)
{
    ReaderSettings s = Plain(0x04);
    s.after = {0, 0, 0x2C, 0, 0, 0, 0, 0};
    s.remove = {0, 0, 0x29, 0, 0, 0, 0, 0};
    const auto tapped = TypeCard(s, {});
    ASSERT_FALSE(tapped.empty());
    EXPECT_FALSE(tapped.back().empty()); // still pressed
    const auto removed = TypeRemoval(s);
    ASSERT_EQ(removed.size(), 3u);
    EXPECT_TRUE(removed[0].empty());
    EXPECT_EQ(removed[1].keys[0], 0x29);
}

TEST(KeyboardOutput, FirmwareTypesOnTapAndLogs)
{
    ReaderFirmware firmware({}, Plain(0x02));
    std::vector<BootReport> typed;
    firmware.setKeyboardSink([&](const std::vector<BootReport> &r) { typed = r; });
    firmware.tapCard({0x12});
    EXPECT_EQ(Describe(typed), "12");
    const auto events = firmware.events();
    EXPECT_NE(std::find(events.begin(), events.end(), "typed 12"), events.end());
    typed.clear();
    firmware.removeCard();
    EXPECT_TRUE(typed.empty()); // no Remove report set
}

} // namespace
