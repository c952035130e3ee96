// Save As and then Open through the tool's real file dialogs and
// confirmations in a real X server: the names are typed and the buttons
// pressed through XTest, as a person would, and the reader ends up holding
// the saved configuration again. A Save As whose reader goes during the
// upload saves nothing and says so once. A second start of the real program
// hands over to the first, with the file it was asked to open, and ends
// with 0.
#include "CheckPrevious.h"
#include "ConfigFile.h"
#include "Keyboard.h"
#include "KeyboardOutput.h"
#include "SharedBus.h"
#include "TestSettings.h"
#include "Unit1.h"
#include "UpDnFrm.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QLocalSocket>
#include <QMessageBox>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <thread>

namespace {

using FileDialogs = korvel::testing::BusTest;
using SecondStart = korvel::testing::BusTest;

std::vector<readersim::BootReport> Keys(const std::string &text, bool enter)
{
    std::vector<readersim::BootReport> reports;
    for (char c : text)
        if (const auto key = readersim::KeyFor(c)) {
            reports.push_back({static_cast<uint8_t>(key->shift ? 0x02 : 0), {key->usage}});
            reports.push_back({});
        }
    if (enter) {
        reports.push_back({0, {0x28}});
        reports.push_back({});
    }
    return reports;
}

// Answers the modal windows as they come up: a file dialog gets `path`
// typed and Enter, a confirmation Enter (its default button is OK).
class Person : public QObject {
public:
    explicit Person(std::string path) : path_(std::move(path))
    {
        timer_.setInterval(100);
        QObject::connect(&timer_, &QTimer::timeout, this, [this] { Look(); });
        timer_.start();
    }
    ~Person() override
    {
        if (typing_.joinable())
            typing_.join();
    }
    int fileDialogs = 0;
    int confirmations = 0;

private:
    void Look()
    {
        QWidget *modal = QApplication::activeModalWidget();
        // A window that stays up long after it was answered did not get the
        // keys: close it, so that the test fails instead of hanging.
        if (modal && modal == handled_ && done_ && answered_.isValid() && answered_.elapsed() > 20000) {
            modal->close();
            return;
        }
        if (!modal || modal == handled_ || (typing_.joinable() && !done_))
            return;
        const bool dialog = qobject_cast<QFileDialog *>(modal) != nullptr;
        const bool box = qobject_cast<QMessageBox *>(modal) != nullptr;
        if (!dialog && !box)
            return; // the transfer dialog runs by itself
        modal->activateWindow();
        if (!ReadyForKeys(modal, dialog))
            return; // next time
        handled_ = modal;
        dialog ? ++fileDialogs : ++confirmations;
        if (typing_.joinable())
            typing_.join();
        done_ = false;
        const auto reports = dialog ? Keys(path_, true) : Keys("", true);
        answered_.start();
        typing_ = std::thread([this, reports] {
            e2e::Keyboard().Play(reports);
            done_ = true;
        });
    }

    // The window has the X server's keyboard focus, and within it the
    // widget that takes the answer: a file dialog's name edit, a box's button.
    static bool ReadyForKeys(QWidget *modal, bool dialog)
    {
        QWidget *focus = QApplication::focusWidget();
        return modal->isActiveWindow() && focus && modal->isAncestorOf(focus) &&
               (dialog ? qobject_cast<QLineEdit *>(focus) != nullptr : qobject_cast<QAbstractButton *>(focus) != nullptr);
    }

    std::string path_;
    QTimer timer_;
    QWidget *handled_ = nullptr;
    QElapsedTimer answered_;
    std::thread typing_;
    std::atomic<bool> done_{true};
};

readersim::ReaderSettings Saved()
{
    return korvel::testing::SettingsOf(0x2B, "", "", {0x42, 0x05, 0x04, 0x05, 0, 0, 0, 0}, {0, 0, 0x28, 0, 0, 0, 0, 0},
                                       {0x81, 0, 0xE0, 0xE7, 0xB0, 0xDD, 0xA4, 0x01});
}

void Scene(QWidget &form, const char *name)
{
    const QString dir = QString::fromLocal8Bit(qgetenv("E2E_OUTPUT"));
    if (dir.isEmpty())
        return;
    QDir().mkpath(dir);
    form.grab().save(dir + QLatin1Char('/') + QLatin1String(name) + QStringLiteral(".png"));
}

TEST_F(FileDialogs, SaveAsThenOpenRoundTrips)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    firmware->setSettings(Saved());
    TForm1 form;
    form.show();
    form.activateWindow();

    const std::string base = QDir(dir.path()).filePath(QStringLiteral("mine")).toStdString();
    {
        Person person(base); // typed without an extension: ".rfc" is added
        form.SaveAs1Click();
        EXPECT_EQ(person.fileDialogs, 1);
        EXPECT_EQ(person.confirmations, 1);
    }
    const QString file = QString::fromStdString(base) + QStringLiteral(".rfc");
    ASSERT_TRUE(QFile::exists(file));
    QFile saved(file);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    const QByteArray text = saved.readAll();
    EXPECT_TRUE(text.contains("[CardCode]\r\nConfByte=43\r\n")) << text.toStdString();
    Scene(form, "after-save");

    firmware->setSettings({});
    {
        Person person(file.toStdString());
        form.Open1Click();
        EXPECT_EQ(person.fileDialogs, 1);
        EXPECT_EQ(person.confirmations, 1);
    }
    const readersim::ReaderSettings back = firmware->settings();
    EXPECT_EQ(back.confByte, 0x2B);
    EXPECT_EQ(back.before, Saved().before);
    EXPECT_EQ(back.after, Saved().after);
    EXPECT_EQ(back.remove, Saved().remove);
    Scene(form, "after-open");
}

TEST_F(SecondStart, HandsOverToTheFirstAndEndsWithZero)
{
    const QString guard = TInstanceGuard::ServerPath(QFileInfo(QStringLiteral(MARDUNE_PROGRAM)).canonicalFilePath().remove('/'));
    QProcess first;
    first.start(QStringLiteral(MARDUNE_PROGRAM), {});
    ASSERT_TRUE(first.waitForStarted());
    // Counted and listening: its guard's socket takes connections (one left
    // by an instance that died refuses them).
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            QLocalSocket probe;
            probe.connectToServer(guard);
            return probe.waitForConnected(100);
        },
        30000))
        << "the first instance never took its guard";
    ASSERT_EQ(first.state(), QProcess::Running);
    QProcess second;
    second.start(QStringLiteral(MARDUNE_PROGRAM), {});
    ASSERT_TRUE(second.waitForFinished(30000));
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_EQ(first.state(), QProcess::Running);
    first.terminate();
    first.waitForFinished(5000);
}

// Answers whatever modal window comes up, without the keyboard: a message
// box gets OK (its text kept), a file dialog is cancelled (and counted).
class Answerer : public QObject {
public:
    Answerer()
    {
        timer_.setInterval(20);
        QObject::connect(&timer_, &QTimer::timeout, this, [this] {
            QWidget *modal = QApplication::activeModalWidget();
            if (auto *box = qobject_cast<QMessageBox *>(modal)) {
                boxes << box->text();
                box->button(QMessageBox::Ok)->click();
            } else if (auto *dialog = qobject_cast<QFileDialog *>(modal)) {
                ++fileDialogs;
                dialog->reject();
            }
            if (onTick)
                onTick();
        });
        timer_.start();
    }
    QStringList boxes;
    int fileDialogs = 0;
    std::function<void()> onTick;

private:
    QTimer timer_;
};

TEST_F(FileDialogs, SaveAsWhoseReaderGoesDuringTheUploadSavesNothingAndSaysSoOnce)
{
    TForm1 form;
    form.show();
    const QLabel *step = form.Load()->LabelA();
    bool unplugged = false;
    struct Replug {
        TForm1 &form;
        readersim::VirtualBus *bus;
        readersim::ReaderFirmware *firmware;
        ~Replug()
        {
            bus->plugReader(*firmware);
            EXPECT_TRUE(QTest::qWaitFor(
                [&] { return form.findChild<QLabel *>(QStringLiteral("LabelStatus"))->text() == "Attached"; }));
        }
    } replug{form, bus, firmware};
    {
        Answerer person;
        // The reader goes while the upload is under way, after its first
        // read. No file dialog means no file: only the dialog names one.
        person.onTick = [&] {
            if (!unplugged && step->text() == QStringLiteral("Reading: Config") && form.Load()->isVisible()) {
                bus->unplugReader();
                unplugged = true;
            }
        };
        form.SaveAs1Click();
        ASSERT_TRUE(unplugged);
        EXPECT_EQ(person.fileDialogs, 0);
        ASSERT_EQ(person.boxes.size(), 1) << person.boxes.join(QStringLiteral(" | ")).toStdString();
        EXPECT_TRUE(person.boxes[0].startsWith(
            QStringLiteral("The configuration could not be read from the USB RFID device; no file was saved.\nRFID_Get")))
            << person.boxes[0].toStdString();
    }
}

TEST_F(SecondStart, HandsItsFileToTheRunningWindowWhichLoadsItAfterItsConfirmation)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    TKeyboardConfig config;
    config.ConfByte = 0x29;
    config.Before = {0x80, 0, 0x17, 0, 0, 0, 0, 0};
    WriteConfigFile(QDir(dir.path()).filePath(QStringLiteral("handed.rfc")).toStdString(), config);
    firmware->setSettings({});

    // This process is the running instance of the real program's guard.
    TForm1 form;
    form.Load()->Timer()->setInterval(1);
    form.show();
    TInstanceGuard guard(QFileInfo(QStringLiteral(MARDUNE_PROGRAM)).canonicalFilePath().remove('/'));
    ASSERT_FALSE(guard.CheckInstanceLimit([&] { return &form; }, 1)) << "another Mardune of this build is running";
    guard.SetFileHandler([&](const QString &file) { form.OpenLaterStartFile(file); });

    Answerer person;
    QProcess second;
    second.setWorkingDirectory(dir.path()); // the name is relative to it
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("LD_PRELOAD")); // it needs no reader: it is turned away
    env.remove(QStringLiteral("UMOCKDEV_DIR"));
    second.setProcessEnvironment(env);
    second.start(QStringLiteral(MARDUNE_PROGRAM), {QStringLiteral("handed.rfc")});
    ASSERT_TRUE(QTest::qWaitFor([&] { return second.state() == QProcess::NotRunning; }, 30000));
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return firmware->settings().confByte == 0x29 && !form.Load()->isVisible(); }, 30000))
        << "the file never reached the reader; boxes: " << person.boxes.join(QStringLiteral(" | ")).toStdString();
    EXPECT_EQ(person.boxes, QStringList{QStringLiteral("Opening this file will set all the configuration on USB RFID "
                                                       "device\nAll data on the device will be lost!\nDo you want to do this?")});
    EXPECT_EQ(firmware->settings().before, (readersim::KeyboardReport{0x80, 0, 0x17, 0, 0, 0, 0, 0}));
}

} // namespace
