// The reader's identity as the header shows it: the version after "Ver:"
// and the production date.
#include "DeviceText.h"
#include "TestSupport.h"

#include <QLocale>

#include <gtest/gtest.h>

using mardune::testing::Collected;

TEST(ProductVersion, PointOrCommaWhateverTheLocale)
{
    const QLocale saved;
    for (const QLocale &locale : {QLocale(QLocale::German), QLocale(QLocale::English)}) {
        QLocale::setDefault(locale);
        EXPECT_DOUBLE_EQ(ProductVersion("Reader Ver: 1.7"), 1.7);
        EXPECT_DOUBLE_EQ(ProductVersion("Reader Ver: 1,7"), 1.7);
    }
    QLocale::setDefault(saved);
}

TEST(ProductVersion, ThreeCharactersAfterVerAndTheCharacterAfterIt)
{
    EXPECT_DOUBLE_EQ(ProductVersion("Reader Ver: 1.75"), 1.7);
    EXPECT_DOUBLE_EQ(ProductVersion("Reader Ver:1.7"), 0.7);
    EXPECT_DOUBLE_EQ(ProductVersion("Reader ver: 1.7"), 0.0); // case-sensitive
    EXPECT_THROW(ProductVersion("Reader Ver:"), EConvertError);
    EXPECT_THROW(ProductVersion("Reader Ver: x.y"), EConvertError);
}

TEST(ProductionDate, InvalidDateFallsBackAndLogsTheValues)
{
    Collected collected;
    EXPECT_EQ(ProductionDate(2024, 3, 15), QDate(2024, 3, 15));
    EXPECT_TRUE(collected.debug.isEmpty());
    EXPECT_EQ(ProductionDate(2019, 13, 5), QDate(1899, 12, 30));
    EXPECT_EQ(ProductionDate(2019, 2, 29), QDate(1899, 12, 30));
    EXPECT_EQ(collected.debug, (QStringList{"2019 13 5", "2019 2 29"}));
    EXPECT_EQ(ProductionDateText(QDate(1899, 12, 30)), "30.December 1899");
}

TEST(ProductionDate, EachValueTakenAsSixteenBits)
{
    EXPECT_EQ(ProductionDate(2024 + 65536, 3 + 65536, 15 + 65536), QDate(2024, 3, 15));
    Collected collected;
    EXPECT_EQ(ProductionDate(-1, 1, 1), QDate(1899, 12, 30)); // year 65535
    EXPECT_EQ(collected.debug, QStringList{"-1 1 1"});        // logged as 32-bit values
}
