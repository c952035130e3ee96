// ReportLastError and the handler for unexpected errors.
#include "ReportLastError.h"
#include "TestSupport.h"
#include "UnexpectedError.h"

#include <QCoreApplication>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

using mardune::testing::Collected;

TEST(ReportLastError, NameColonBlankAndTheSystemText)
{
    Collected collected;
    errno = ENOENT;
    ReportLastError("RFID_GetEnable");
    const QString expected = QString("RFID_GetEnable: ") + std::strerror(ENOENT);
    EXPECT_EQ(collected.errors, QStringList{expected});
    EXPECT_EQ(collected.debug, QStringList{expected});
}

TEST(ReportLastError, TheErrorLeftByTheFailedCallNotALaterOne)
{
    Collected collected;
    errno = EIO;
    ReportLastError("RFID_SetConfigBits");
    errno = 0;
    ReportLastError("RFID_SetEnable");
    ASSERT_EQ(collected.errors.size(), 2);
    EXPECT_EQ(collected.errors[0], QString("RFID_SetConfigBits: ") + std::strerror(EIO));
    EXPECT_EQ(collected.errors[1], QString("RFID_SetEnable: ") + std::strerror(0));
}

TEST(UnexpectedError, EscapingAnEventHandlerIsShownAndTheLoopGoesOn)
{
    Collected collected;
    bool later = false;
    QTimer::singleShot(0, [] { throw std::runtime_error("'' is not a valid floating point value"); });
    QTimer::singleShot(10, [&] { later = true; });
    EXPECT_TRUE(QTest::qWaitFor([&] { return later; }, 2000));
    EXPECT_EQ(collected.unexpected, QStringList{"'' is not a valid floating point value"});
}

TEST(UnexpectedError, AnythingThatIsNoStandardException)
{
    Collected collected;
    bool later = false;
    QTimer::singleShot(0, [] { throw 42; });
    QTimer::singleShot(10, [&] { later = true; });
    EXPECT_TRUE(QTest::qWaitFor([&] { return later; }, 2000));
    EXPECT_EQ(collected.unexpected.size(), 1);
}
