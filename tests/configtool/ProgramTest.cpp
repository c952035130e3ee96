// The real program started twice, on the offscreen platform and without a
// reader: the guard as two processes meet it.
#include "CheckPrevious.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <memory>

namespace {


QString GuardNameOf(const QString &program)
{
    return QFileInfo(program).canonicalFilePath().remove('/');
}

// True while some process holds the lock of the guard's first slot.
bool LockHeld(const QString &guardName)
{
    const QByteArray path = QFile::encodeName(TInstanceGuard::LockPath(guardName, 0));
    const int fd = ::open(path.constData(), O_RDWR | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool held = ::flock(fd, LOCK_EX | LOCK_NB) != 0;
    ::close(fd); // releases the lock if this probe took it
    return held;
}

std::unique_ptr<QProcess> Start(const QString &program)
{
    auto process = std::make_unique<QProcess>();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    process->setProcessEnvironment(env);
    process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process->start(program, {});
    EXPECT_TRUE(process->waitForStarted(5000));
    return process;
}

void Stop(QProcess &process)
{
    process.kill();
    process.waitForFinished(5000);
}

// Starts a second copy and expects it to end by itself with exit code 0
// (that it does so before any splash is checked on the guard itself, without
// timing a process on a busy machine).
void ExpectTurnedAway(const QString &program)
{
    auto second = Start(program);
    ASSERT_TRUE(second->waitForFinished(30000));
    EXPECT_EQ(second->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second->exitCode(), 0);
}

} // namespace

TEST(Program, SecondStartEndsAtOnceAndAKilledInstanceBlocksNothing)
{
    const QString program = MARDUNE_PROGRAM;
    const QString guard = GuardNameOf(program);
    ASSERT_FALSE(LockHeld(guard)) << "another Mardune of this build is running";

    auto first = Start(program);
    ASSERT_TRUE(QTest::qWaitFor([&] { return LockHeld(guard); }, 10000));
    ExpectTurnedAway(program);
    EXPECT_EQ(first->state(), QProcess::Running);
    Stop(*first); // SIGKILL: no clean-up runs
    ASSERT_EQ(first->exitStatus(), QProcess::CrashExit);

    auto next = Start(program);
    ASSERT_TRUE(QTest::qWaitFor([&] { return LockHeld(guard); }, 10000));
    // It is the one counted: a later start is turned away while it runs on.
    ExpectTurnedAway(program);
    EXPECT_EQ(next->state(), QProcess::Running);
    Stop(*next);
}

TEST(Program, CopiesInDifferentFoldersRunSideBySide)
{
    QTemporaryDir dirA, dirB;
    const QString a = dirA.filePath("Mardune"), b = dirB.filePath("Mardune");
    ASSERT_TRUE(QFile::copy(MARDUNE_PROGRAM, a));
    ASSERT_TRUE(QFile::copy(MARDUNE_PROGRAM, b));
    for (const QString &copy : {a, b})
        QFile::setPermissions(copy, QFile::permissions(copy) | QFileDevice::ExeOwner);

    auto first = Start(a);
    auto second = Start(b);
    // Each holds its own guard at the same time: neither was turned away.
    EXPECT_TRUE(QTest::qWaitFor([&] { return LockHeld(GuardNameOf(a)) && LockHeld(GuardNameOf(b)); }, 10000));
    EXPECT_EQ(first->state(), QProcess::Running);
    EXPECT_EQ(second->state(), QProcess::Running);
    Stop(*first);
    Stop(*second);
    QFile::remove(TInstanceGuard::LockPath(GuardNameOf(a), 0));
    QFile::remove(TInstanceGuard::LockPath(GuardNameOf(b), 0));
}

TEST(Program, HelpAndVersionPrintAndEndWithoutAWindowOrTheGuard)
{
    const QString program = MARDUNE_PROGRAM;
    const struct {
        QStringList arguments;
        const char *printed; // the start of what it prints
    } cases[] = {
        {{"--help"}, "Usage: Mardune [FILE]\n"},
        {{"-h"}, "Usage: Mardune [FILE]\n"},
        {{"some.rfc", "--help"}, "Usage: Mardune [FILE]\n"},
        {{"--version"}, "Mardune " MARDUNE_VERSION "\n"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.arguments.join(' ').toStdString());
        QProcess process;
        // No display: a window, or even the toolkit's start, would fail.
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove("DISPLAY");
        env.remove("WAYLAND_DISPLAY");
        env.insert("QT_QPA_PLATFORM", "xcb");
        process.setProcessEnvironment(env);
        process.start(program, c.arguments);
        ASSERT_TRUE(process.waitForFinished(30000));
        EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(process.exitCode(), 0);
        EXPECT_TRUE(process.readAllStandardOutput().startsWith(c.printed));
        EXPECT_EQ(process.readAllStandardError(), "");
    }
    EXPECT_FALSE(LockHeld(GuardNameOf(program)));
}

TEST(Program, ImportsTheTwentyConfigurationFunctionsAndNoRawChannel)
{
    QProcess nm;
    nm.start("nm", {"-D", "--undefined-only", MARDUNE_PROGRAM});
    if (!nm.waitForStarted(5000))
        GTEST_SKIP() << "nm is not installed";
    ASSERT_TRUE(nm.waitForFinished(10000));
    int configuration = 0, raw = 0;
    for (const QByteArray &line : nm.readAllStandardOutput().split('\n')) {
        const QByteArray symbol = line.trimmed().split(' ').last();
        if (symbol.startsWith("RFID_RW_"))
            ++raw;
        else if (symbol.startsWith("RFID_"))
            ++configuration;
    }
    EXPECT_EQ(configuration, 20);
    EXPECT_EQ(raw, 0);
}
