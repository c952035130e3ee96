// The single-instance guard within one process: each guard object opens its
// own lock file description, so two of them meet exactly as two programs.
#include "CheckPrevious.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

#include <system_error>

namespace {

class InstanceGuard : public ::testing::Test {
protected:
    // A guard name of this test alone; its lock files go with the test.
    QString UniqueGuardName(const QString &test)
    {
        names_ << QStringLiteral("MarduneGuardTest%1%2").arg(QCoreApplication::applicationPid()).arg(test);
        return names_.last();
    }
    void TearDown() override
    {
        for (const QString &name : names_)
            for (int slot = 0; slot < 2; ++slot)
                QFile::remove(TInstanceGuard::LockPath(name, slot));
    }

private:
    QStringList names_;
};

} // namespace

TEST(InstanceGuardName, IsTheProgramPathWithoutSlashes)
{
    const QString path = QFileInfo(QCoreApplication::applicationFilePath()).canonicalFilePath();
    EXPECT_EQ(ProgramGuardName(), QString(path).remove('/'));
    EXPECT_FALSE(ProgramGuardName().contains('/'));
}

TEST_F(InstanceGuard, SecondStartIsTurnedAwayAndBringsTheFirstForward)
{
    const QString name = UniqueGuardName("Forward");
    QWidget window;
    window.show();
    window.showMinimized();
    ASSERT_TRUE(QTest::qWaitFor([&] { return window.isMinimized(); }, 2000));

    TInstanceGuard first(name);
    ASSERT_FALSE(first.CheckInstanceLimit([&] { return &window; }, 1));
    EXPECT_TRUE(first.CountedInstance());
    EXPECT_EQ(first.Info().InstanceCount, 1);

    TInstanceGuard second(name);
    EXPECT_TRUE(second.CheckInstanceLimit([] { return nullptr; }, 1));
    EXPECT_FALSE(second.CountedInstance());

    EXPECT_TRUE(QTest::qWaitFor([&] { return !window.isMinimized(); }, 3000));
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(first.Info().MainWindow, static_cast<uint32_t>(window.winId()));
}

TEST_F(InstanceGuard, NextStartRunsOnceTheFirstHasEnded)
{
    const QString name = UniqueGuardName("Ended");
    {
        TInstanceGuard first(name);
        ASSERT_FALSE(first.CheckInstanceLimit({}, 1));
    }
    EXPECT_FALSE(QFile::exists(TInstanceGuard::ServerPath(name)));
    TInstanceGuard next(name);
    EXPECT_FALSE(next.CheckInstanceLimit({}, 1));
    EXPECT_TRUE(QFile::exists(TInstanceGuard::ServerPath(name)));
}

TEST_F(InstanceGuard, StaleSocketOfADeadInstanceIsReplaced)
{
    const QString name = UniqueGuardName("Stale");
    QFile stale(TInstanceGuard::ServerPath(name));
    ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
    stale.close();

    QWidget window;
    window.showMinimized();
    TInstanceGuard first(name);
    ASSERT_FALSE(first.CheckInstanceLimit([&] { return &window; }, 1));
    TInstanceGuard second(name);
    EXPECT_TRUE(second.CheckInstanceLimit({}, 1));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !window.isMinimized(); }, 3000));
}




TEST_F(InstanceGuard, GuardThatCannotBeCreatedIsAnError)
{
    QTemporaryDir runtime;
    const QByteArray saved = qgetenv("XDG_RUNTIME_DIR");
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
    const QString name = UniqueGuardName("Broken");
    ASSERT_TRUE(QDir().mkpath(TInstanceGuard::LockPath(name, 0))); // a folder where the lock file belongs
    TInstanceGuard guard(name);
    EXPECT_THROW(guard.CheckInstanceLimit({}, 1), std::system_error);
    qputenv("XDG_RUNTIME_DIR", saved);
    if (saved.isEmpty())
        qunsetenv("XDG_RUNTIME_DIR");
}
