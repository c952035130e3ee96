// The single-instance guard within one process: each guard object opens its
// own lock file description, so two of them meet exactly as two programs.
#include "CheckPrevious.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalSocket>
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
TEST_F(InstanceGuard, LaterStartsHandTheirFilesOverAndFilesWaitForTheirHandler)
{
    const QString name = UniqueGuardName("Files");
    QWidget window;
    window.showMinimized();
    TInstanceGuard first(name);
    ASSERT_FALSE(first.CheckInstanceLimit([&] { return &window; }, 1));
    // Before there is a handler: kept for it. The window came forward.
    TInstanceGuard early(name);
    EXPECT_TRUE(early.CheckInstanceLimit({}, 1, "/tmp/early one.rfc"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window.isMinimized(); }, 3000));
    QStringList received;
    first.SetFileHandler([&](const QString &file) { received << file; });
    EXPECT_EQ(received, QStringList{"/tmp/early one.rfc"});
    // Then at once, any name but one with NUL; none without a file.
    const QStringList files = {QString::fromUtf8("/tmp/\u00e4 \u00f6/two\nlines.rfc"), "", "/tmp/three.rfc"};
    for (const QString &file : files) {
        TInstanceGuard later(name);
        EXPECT_TRUE(later.CheckInstanceLimit({}, 1, file));
    }
    EXPECT_TRUE(QTest::qWaitFor([&] { return received.size() == 3; }, 3000));
    EXPECT_EQ(received, (QStringList{"/tmp/early one.rfc", files[0], files[2]}));
}

TEST_F(InstanceGuard, WhatIsNoRequestHandsNothingOver)
{
    const QString name = UniqueGuardName("Garbage");
    TInstanceGuard first(name);
    ASSERT_FALSE(first.CheckInstanceLimit({}, 1));
    QStringList received;
    first.SetFileHandler([&](const QString &file) { received << file; });
    const QByteArray requests[] = {
        "", "open\n/tmp/a.rfc", "show", "show\nopen\n", QByteArray("show\nopen\n/tmp/a\0b.rfc", 21),
        "show\nopen\n/tmp/" + QByteArray(70000, 'x'), "show\nload\n/tmp/a.rfc",
    };
    // Each followed by a request that does hand a file over, as a probe.
    QStringList probes;
    for (const QByteArray &request : requests) {
        QLocalSocket socket;
        socket.connectToServer(TInstanceGuard::ServerPath(name));
        ASSERT_TRUE(socket.waitForConnected(1000));
        socket.write(request);
        socket.waitForBytesWritten(1000);
        socket.disconnectFromServer();
        probes << QStringLiteral("/tmp/probe%1.rfc").arg(probes.size());
        TInstanceGuard probe(name);
        EXPECT_TRUE(probe.CheckInstanceLimit({}, 1, probes.last()));
        ASSERT_TRUE(QTest::qWaitFor([&] { return received.contains(probes.last()); }, 3000)) << request.left(20).toStdString();
    }
    EXPECT_EQ(received, probes);
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
