#include "DateTime.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace korvel;

TEST(DateTime, EpochIsThirtiethOfDecember1899)
{
    EXPECT_EQ(encodeDate(1899, 12, 30), 0.0);
    const CalendarDate d = decodeDate(0);
    EXPECT_EQ(d.year, 1899);
    EXPECT_EQ(d.month, 12);
    EXPECT_EQ(d.day, 30);
}

TEST(DateTime, KnownValuesAndRoundTrip)
{
    EXPECT_EQ(encodeDate(2000, 1, 1), 36526.0);
    EXPECT_EQ(encodeDate(2024, 2, 29), 45351.0);
    for (double v = -693593; v < 2958465; v += 997.0) {
        const CalendarDate d = decodeDate(v);
        ASSERT_EQ(encodeDate(d.year, d.month, d.day), v);
    }
}

TEST(DateTime, TimeOfDayIsIgnored)
{
    EXPECT_EQ(decodeDate(45351.99).day, 29);
    EXPECT_EQ(decodeDate(-1.5).day, 29); // 29 December 1899, noon
}

TEST(DateTime, Validity)
{
    EXPECT_TRUE(isValidDate(2024, 2, 29));
    EXPECT_FALSE(isValidDate(2023, 2, 29));
    EXPECT_TRUE(isValidDate(2000, 2, 29));
    EXPECT_FALSE(isValidDate(2100, 2, 29));
    EXPECT_FALSE(isValidDate(2020, 4, 31));
    EXPECT_FALSE(isValidDate(2020, 0, 5));
    EXPECT_FALSE(isValidDate(2020, 13, 1));
    EXPECT_FALSE(isValidDate(2020, 1, 0));
}

TEST(DateTime, ValuesOutsideTheCalendarDecodeAsEpoch)
{
    for (double v : {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(), 1e300, -1e300})
        EXPECT_EQ(decodeDate(v).year, 1899);
}
