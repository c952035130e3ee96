// The key list of the report pages and its mapping to usage codes.
#include "KeyList.h"

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
