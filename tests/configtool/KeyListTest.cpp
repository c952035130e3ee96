// The key list of the report pages, its mapping to usage codes, and the
// virtual-key codes the analyzer logs.
#include "KeyList.h"
#include "VirtualKey.h"

#include <Qt>

#include <gtest/gtest.h>

#include <set>
#include <string>

TEST(KeyList, EntriesStandAsTheReaderToolNamesThem)
{
    ASSERT_EQ(KeyList.size(), 219u);
    const std::pair<int, const char *> entries[] = {
        {0, "(No event indicated)"}, {4, "Keyboard a"},         {29, "Keyboard z"},
        {30, "Keyboard !"},           {39, "Keyboard )"},        {45, "Keyboard (Underscore)"},
        {52, "Keyboard \""},          {53, "Keyboard Grave Accent and Tilde"},
        {69, "Keyboard F12"},         {82, "Keyboard UpArrow"},  {99, "Keypad . and Delete"},
        {100, "Keyboard Non-US \\"},  {103, "Keyboard ="},       {115, "Keyboard F24"},
        {144, "Keyboard LANGl"},      {145, "Keyboard LANG2"},   {161, "Keyboard Open"},
        {164, "Keyboard ExSel"},      {165, "KeyPad 00"},        {167, "Thousands Seperator"},
        {168, "Decimal Seperator"},   {182, "Keypad F"},         {189, "Keypad &&"},
        {210, "Keypad Hexadecimal"},  {211, "Keyboard LeftControl"}, {214, "Keyboard Left GUI"},
        {218, "Keyboard Right GUI"},
    };
    for (const auto &[index, text] : entries)
        EXPECT_STREQ(KeyList[static_cast<size_t>(index)], text) << index;
    const std::set<std::string> distinct(KeyList.begin(), KeyList.end());
    EXPECT_EQ(distinct.size(), KeyList.size());
}

TEST(KeyList, IndexToUsageSkipsTheReservedCodesWithoutRangeChecks)
{
    const std::pair<int, int> cases[] = {{0, 0},     {164, 164}, {165, 176}, {210, 221},
                                         {211, 224}, {218, 231}, {-1, -1},   {-5, -5}};
    for (const auto &[index, usage] : cases)
        EXPECT_EQ(KeyIndexToUsage(index), usage) << index;
}

TEST(KeyList, UsageToIndexPutsReservedCodesOnNeighbours)
{
    const std::pair<int, int> cases[] = {{164, 164}, {176, 165}, {221, 210}, {224, 211}, {231, 218},
                                         {165, 154}, {175, 164}, {222, 209}, {223, 210}, {232, 219},
                                         {255, 242}};
    for (const auto &[usage, index] : cases)
        EXPECT_EQ(UsageToKeyIndex(usage), index) << usage;
}

TEST(KeyList, EveryCodeWithAnEntryRoundTripsAndEveryEntryIsReached)
{
    std::set<int> reached;
    for (int code = 0; code <= 255; ++code) {
        const bool hasEntry = code <= 0xA4 || (code >= 0xB0 && code <= 0xDD) || (code >= 0xE0 && code <= 0xE7);
        if (!hasEntry)
            continue;
        const int index = UsageToKeyIndex(code);
        ASSERT_GE(index, 0);
        ASSERT_LT(index, KeyCount) << code;
        EXPECT_EQ(KeyIndexToUsage(index), code);
        reached.insert(index);
    }
    EXPECT_EQ(reached.size(), static_cast<size_t>(KeyCount));
}

TEST(VirtualKey, CharactersAndKeysGiveTheirWindowsCodes)
{
    const std::pair<int, int> keys[] = {
        {Qt::Key_A, 0x41},       {Qt::Key_Z, 0x5A},         {Qt::Key_0, 0x30},        {Qt::Key_9, 0x39},
        {Qt::Key_Return, 0x0D},  {Qt::Key_Enter, 0x0D},     {Qt::Key_Backspace, 0x08}, {Qt::Key_Tab, 0x09},
        {Qt::Key_Escape, 0x1B},  {Qt::Key_Space, 0x20},     {Qt::Key_Left, 0x25},     {Qt::Key_Up, 0x26},
        {Qt::Key_Right, 0x27},   {Qt::Key_Down, 0x28},      {Qt::Key_F1, 0x70},       {Qt::Key_F12, 0x7B},
        {Qt::Key_Shift, 0x10},   {Qt::Key_Control, 0x11},   {Qt::Key_Alt, 0x12},      {Qt::Key_Delete, 0x2E},
        {Qt::Key_Insert, 0x2D},  {Qt::Key_Home, 0x24},      {Qt::Key_End, 0x23},      {Qt::Key_PageUp, 0x21},
        {Qt::Key_PageDown, 0x22}, {Qt::Key_Minus, 0xBD},    {Qt::Key_Equal, 0xBB},    {Qt::Key_Comma, 0xBC},
        {Qt::Key_Period, 0xBE},  {Qt::Key_Slash, 0xBF},     {Qt::Key_Semicolon, 0xBA}, {Qt::Key_Apostrophe, 0xDE},
        {Qt::Key_BracketLeft, 0xDB}, {Qt::Key_BracketRight, 0xDD}, {Qt::Key_Backslash, 0xDC},
        {Qt::Key_QuoteLeft, 0xC0}, {Qt::Key_Exclam, 0x31},  {Qt::Key_Colon, 0xBA},
    };
    for (const auto &[key, code] : keys)
        EXPECT_EQ(VirtualKeyCode(key, false), code) << std::hex << key;
    EXPECT_EQ(VirtualKeyCode(Qt::Key_F13, false), 0x7C);
    EXPECT_EQ(VirtualKeyCode(Qt::Key_unknown, false), 0);
}

TEST(VirtualKey, KeypadDigitsAndOperatorsHaveTheirOwnCodes)
{
    EXPECT_EQ(VirtualKeyCode(Qt::Key_0, true), 0x60);
    EXPECT_EQ(VirtualKeyCode(Qt::Key_9, true), 0x69);
    EXPECT_EQ(VirtualKeyCode(Qt::Key_Asterisk, true), 0x6A);
    EXPECT_EQ(VirtualKeyCode(Qt::Key_Minus, true), 0x6D);
    EXPECT_EQ(VirtualKeyCode(Qt::Key_Enter, true), 0x0D);
    EXPECT_EQ(VirtualKeyCode(Qt::Key_Home, true), 0x24);
}
