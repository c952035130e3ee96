// File > Open and Save As ..., and the file named on the command line.
#include "ConfigFile.h"
#include "TestSettings.h"
#include "UpDnFrm.h"
#include "WindowFixture.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QTemporaryDir>
#include <QTimer>

using namespace mardune::testing;
using readersim::KeyboardReport;

namespace {

const QString SaveQuestion = "All data will be read from USB RFID device and stored in a file!\nDo you want to do this?";
const QString LoadQuestion = "Opening this file will set all the configuration on USB RFID device\n"
                             "All data on the device will be lost!\nDo you want to do this?";

readersim::ReaderSettings Distinct()
{
    return korvel::testing::SettingsOf(0x3D, "", "", {0x81, 0x11, 0x04, 0x1E, 0x28, 0xA4, 0xB0, 0xE7},
                                       {0x42, 0x22, 0x05, 0x1F, 0x29, 0xA3, 0xDD, 0xE0},
                                       {0x18, 0x33, 0x06, 0x20, 0x2A, 0xA2, 0xC0, 0xE3});
}

bool SameKeyboard(const readersim::ReaderSettings &a, const readersim::ReaderSettings &b)
{
    return a.confByte == b.confByte && a.before == b.before && a.after == b.after && a.remove == b.remove;
}

KeyboardReport Bytes(const TKeybHIDReport &r)
{
    return {r.Modifier, r.Reserved, r.Key1, r.Key2, r.Key3, r.Key4, r.Key5, r.Key6};
}

} // namespace

class FileMenu : public WindowTest {
protected:
    void Start(const readersim::ReaderSettings &settings = Distinct())
    {
        PlugReader({}, settings);
        CreateForm(&FileMenu::FastTransfers);
    }
    static void FastTransfers(TForm1 &form) { form.Load()->Timer()->setInterval(1); }
    void SetReaderKeyboard(const readersim::ReaderSettings &keyboard)
    {
        readersim::ReaderSettings s = Firmware().settings();
        s.confByte = keyboard.confByte;
        s.before = keyboard.before;
        s.after = keyboard.after;
        s.remove = keyboard.remove;
        Firmware().setSettings(s);
    }
    QString Path(const char *name) const { return dir.filePath(name); }

    QTemporaryDir dir;
};

TEST_F(FileMenu, SavedFileLoadsBackIntoTheReader)
{
    Start();
    collected.fileDialogAnswer = Path("saved"); // typed without an extension
    Form().SaveAs1Click();
    ASSERT_EQ(collected.fileDialogs.size(), 1);
    EXPECT_TRUE(collected.fileDialogs[0].save);
    EXPECT_EQ(collected.fileDialogs[0].filter, "USB RFID Config|*.rfc");
    EXPECT_EQ(collected.fileDialogs[0].defaultSuffix, "rfc");
    EXPECT_EQ(collected.fileDialogs[0].fileName, "");
    EXPECT_EQ(collected.confirmations, QStringList{SaveQuestion});
    ASSERT_TRUE(QFile::exists(Path("saved.rfc")));
    const TKeyboardConfig saved = ReadConfigFile(Path("saved.rfc").toStdString());
    EXPECT_EQ(saved.ConfByte, 0x3D);
    EXPECT_EQ(Bytes(saved.Before), Distinct().before);
    EXPECT_EQ(Bytes(saved.After), Distinct().after);
    EXPECT_EQ(Bytes(saved.Remove), Distinct().remove);

    readersim::ReaderSettings other;
    other.confByte = 0x01;
    SetReaderKeyboard(other);
    collected.fileDialogAnswer = Path("saved.rfc");
    Form().Open1Click();
    ASSERT_EQ(collected.fileDialogs.size(), 2);
    EXPECT_FALSE(collected.fileDialogs[1].save);
    EXPECT_EQ(collected.fileDialogs[1].fileName, "default.rfc");
    EXPECT_EQ(collected.confirmations, (QStringList{SaveQuestion, LoadQuestion}));
    EXPECT_TRUE(SameKeyboard(Firmware().settings(), Distinct()));
    // The upload after the download shows the reader's values.
    EXPECT_EQ(Bytes(RemoveReport), Distinct().remove);
    EXPECT_EQ(Get<QComboBox>("ComboBoxAfterKey6")->currentIndex(), 211);
    EXPECT_EQ(Form().Load()->LabelA()->text(), "Reading: Remove");
    EXPECT_TRUE(collected.errors.isEmpty());
    EXPECT_TRUE(collected.messages.isEmpty());
}

TEST_F(FileMenu, WithoutAReaderNeitherCommandDoesAnything)
{
    UnplugReader();
    CreateForm();
    Form().SaveAs1Click();
    Form().Open1Click();
    EXPECT_EQ(collected.messages, (QStringList{"Usb RFID Card Reader must be connected to upload configuration!",
                                               "Usb RFID Card Reader must be connected to download configuration!"}));
    EXPECT_TRUE(collected.fileDialogs.isEmpty());
    EXPECT_TRUE(collected.confirmations.isEmpty());
    EXPECT_TRUE(collected.errors.isEmpty());
}

TEST_F(FileMenu, CancelledSaveHasStillReadTheReaderAndWritesNothing)
{
    Start({});
    SetReaderKeyboard(Distinct());
    collected.fileDialogAnswer = "";
    Form().SaveAs1Click();
    EXPECT_EQ(Bytes(BeforeReport), Distinct().before);
    EXPECT_EQ(ConfigBits, 0x3D);
    EXPECT_TRUE(collected.confirmations.isEmpty());

    collected.fileDialogAnswer = Path("declined.rfc");
    collected.confirmAnswer = false;
    Form().SaveAs1Click();
    EXPECT_FALSE(QFile::exists(Path("declined.rfc")));
}

TEST_F(FileMenu, DeclinedLoadTouchesNeitherBuffersNorReader)
{
    Start();
    Form().SaveAs1Click(); // no answer: cancelled, but read
    WriteConfigFile(Path("zero.rfc").toStdString(), TKeyboardConfig{});
    collected.fileDialogAnswer = Path("zero.rfc");
    collected.confirmAnswer = false;
    Form().Open1Click();
    EXPECT_EQ(collected.confirmations, QStringList{LoadQuestion});
    EXPECT_EQ(Form().Load()->LabelA()->text(), "Reading: Remove"); // from the save's upload only
    EXPECT_TRUE(SameKeyboard(Firmware().settings(), Distinct()));
    EXPECT_EQ(Bytes(BeforeReport), Distinct().before);
}

TEST_F(FileMenu, FileWithoutCardCodeWritesZeroAndMissingNameLoadsZeros)
{
    Start();
    QFile file(Path("partial.rfc"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[before]\r\nKey1 = 0x1E\r\nModifier=-1\r\n");
    file.close();
    Form().LoadConfigFile(Path("partial.rfc"));
    readersim::ReaderSettings expected;
    expected.confByte = 0;
    expected.before = {0xFF, 0, 0x1E, 0, 0, 0, 0, 0};
    EXPECT_TRUE(SameKeyboard(Firmware().settings(), expected));

    // A missing file is no configuration: refused, the reader keeps its own.
    SetReaderKeyboard(Distinct());
    Form().LoadConfigFile(Path("no-such-file.rfc"));
    EXPECT_TRUE(SameKeyboard(Firmware().settings(), Distinct()));
}

TEST_F(FileMenu, AnyConfigurationLoadsWhateverItsSizeAndWhatIsNoneIsRefusedBeforeTheReader)
{
    Start();
    const QByteArray padding = "; " + QByteArray(5 * 1024 * 1024, 'x') + "\r\n";
    const struct {
        const char *name;
        QByteArray text; // null: the name is a directory
        bool loads;
    } cases[] = {
        {"big.rfc", padding + "[CardCode]\r\nConfByte=42\r\n" + padding, true},
        {"random.rfc", QByteArray("\x8f\x02[x\xff\0\x10=5\n\xe1", 11), false},
        {"foreign.rfc", "[Other]\r\nConfByte=42\r\n", false},
        {"folder", QByteArray(), false},
    };
    for (const auto &c : cases) {
        SetReaderKeyboard(Distinct());
        collected.messages.clear();
        const QString path = Path(c.name);
        if (c.text.isNull()) {
            ASSERT_TRUE(QDir().mkdir(path));
        } else {
            QFile file(path);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(c.text);
        }
        Form().LoadConfigFile(path);
        if (c.loads) {
            EXPECT_EQ(Firmware().settings().confByte, 42) << c.name;
            EXPECT_TRUE(collected.messages.isEmpty()) << c.name;
            continue;
        }
        EXPECT_TRUE(SameKeyboard(Firmware().settings(), Distinct())) << c.name;
        ASSERT_EQ(collected.messages.size(), 1) << c.name;
        EXPECT_TRUE(collected.messages[0].contains(path)) << collected.messages[0].toStdString();
        EXPECT_TRUE(collected.messages[0].endsWith("\nNothing was written to the reader."));
    }
}

TEST_F(FileMenu, ConfirmationLinesDrawOneBreakApart)
{
    Start();
    collected.fileDialogAnswer = Path("drawn.rfc");
    Form().SaveAs1Click();
    Form().Open1Click();
    ASSERT_EQ(collected.confirmations, (QStringList{SaveQuestion, LoadQuestion}));
    // A message box draws its text with a label: as tall as two and three
    // plain lines.
    const auto height = [](const QString &text) { return QLabel(text).sizeHint().height(); };
    EXPECT_EQ(height(collected.confirmations[0]), height("x\nx"));
    EXPECT_EQ(height(collected.confirmations[1]), height("x\nx\nx"));
}

TEST_F(FileMenu, UnwritableFileReachesTheUnexpectedErrorHandlerAndTheToolGoesOn)
{
    Start();
    const QString path = Path("missing/dir/x.rfc");
    collected.fileDialogAnswer = path;
    QAction *saveAs = Get<QAction>("SaveAs1");
    QTimer::singleShot(0, saveAs, &QAction::trigger);
    ASSERT_TRUE(WaitFor([&] { return !collected.unexpected.isEmpty(); }));
    EXPECT_EQ(collected.unexpected, QStringList{"Unable to write to " + path});
    // Still answering.
    collected.fileDialogAnswer = Path("fine.rfc");
    QTimer::singleShot(0, saveAs, &QAction::trigger);
    ASSERT_TRUE(WaitFor([&] { return QFile::exists(Path("fine.rfc")); }));
}

TEST_F(FileMenu, OneArgumentNamingAFileIsLoadedAtTheFirstShow)
{
    TKeyboardConfig config;
    config.ConfByte = 0x2A;
    config.Before = {0x80, 0, 0x17, 0, 0, 0, 0, 0};
    WriteConfigFile(Path("start.rfc").toStdString(), config);
    WriteConfigFile("default.rfc", TKeyboardConfig{}); // must not be the one loaded
    SetArgumentsHook([&] { return QStringList{"Mardune", Path("start.rfc")}; });
    Start({});
    EXPECT_EQ(collected.confirmations, QStringList{LoadQuestion});
    EXPECT_EQ(Firmware().settings().confByte, 0x2A);
    EXPECT_EQ(Firmware().settings().before, (KeyboardReport{0x80, 0, 0x17, 0, 0, 0, 0, 0}));
    Form().hide();
    Form().show(); // only the first show loads
    EXPECT_EQ(collected.confirmations.size(), 1);

    TearDown();
    SetArgumentsHook([&] { return QStringList{"Mardune", Path("start.rfc"), "more"}; });
    Start({});
    SetArgumentsHook([&] { return QStringList{"Mardune", Path("absent.rfc")}; });
    Start({});
    SetArgumentsHook([&] { return QStringList{"Mardune", dir.path()}; });
    Start({});
    SetArgumentsHook(nullptr);
    QFile::remove("default.rfc");
    EXPECT_EQ(collected.confirmations.size(), 1);
}

TEST_F(FileMenu, SaveAsWhoseUploadCannotReadTheReaderSavesNothingAndSaysSoOnce)
{
    Start();
    const char *const reads[] = {"RFID_GetConfigBits", "RFID_GetBeforeHidKeyboardReport",
                                 "RFID_GetAfterHidKeyboardReport", "RFID_GetRemoveHidKeyboardReport"};
    for (int failing = 0; failing < 4; ++failing) {
        SCOPED_TRACE(reads[failing]);
        collected.messages.clear();
        collected.debug.clear();
        collected.fileDialogAnswer = Path("never.rfc");
        // The read of step `failing` is refused: armed after the tick before it.
        int ticks = 0;
        const QMetaObject::Connection armed = QObject::connect(Form().Load()->Timer(), &QTimer::timeout, [&] {
            if (++ticks == failing)
                Firmware().failNextTransfers(1);
        });
        if (failing == 0)
            Firmware().failNextTransfers(1);
        Form().SaveAs1Click();
        QObject::disconnect(armed);

        ASSERT_EQ(collected.messages.size(), 1);
        const QString report = QString(reads[failing]) + ": ";
        EXPECT_TRUE(collected.messages[0].startsWith(
            "The configuration could not be read from the USB RFID device; no file was saved.\n" + report))
            << collected.messages[0].toStdString();
        EXPECT_EQ(collected.debug.filter(report).size(), 1); // the report's line, as ever
        EXPECT_TRUE(collected.errors.isEmpty());             // but no box of its own
        EXPECT_TRUE(collected.fileDialogs.isEmpty());
        EXPECT_TRUE(collected.confirmations.isEmpty());
        EXPECT_FALSE(QFile::exists(Path("never.rfc")));
        EXPECT_EQ(ticks, failing + 1); // no read after the failed one
    }
    // A plain upload still reports each failed read and goes on.
    Firmware().failNextTransfers(1);
    EXPECT_EQ(Form().Load()->Upload(), mrOk);
    EXPECT_EQ(collected.errors.size(), 1);
}

TEST_F(FileMenu, FileOfALaterStartLoadsLikeTheStartupFileOnceNoModalWindowIsOpen)
{
    const auto write = [&](const char *name, int confByte) {
        TKeyboardConfig config;
        config.ConfByte = confByte;
        WriteConfigFile(Path(name).toStdString(), config);
        return Path(name);
    };
    const QString startup = write("startup.rfc", 0x11), early = write("early.rfc", 0x22), late = write("late.rfc", 0x23);
    // Handed over before the first show: loaded after the start-up's own file.
    SetArgumentsHook([&] { return QStringList{"Mardune", startup}; });
    PlugReader({}, Distinct());
    CreateForm([&](TForm1 &form) {
        FastTransfers(form);
        form.OpenLaterStartFile(early);
    });
    SetArgumentsHook(nullptr);
    ASSERT_TRUE(WaitFor([&] { return collected.confirmations.size() == 2 && !Form().Load()->isVisible(); }));
    EXPECT_EQ(collected.confirmations, (QStringList{LoadQuestion, LoadQuestion}));
    EXPECT_EQ(Firmware().settings().confByte, 0x22);
    const auto events = Firmware().events();
    const auto at = [&](const std::string &event) { return std::find(events.begin(), events.end(), event) - events.begin(); };
    EXPECT_LT(at("config 0x11"), at("config 0x22"));

    // Handed over while the transfer dialog runs a Save As: loaded once it is
    // done, not inside it; a name that no longer names a file loads nothing.
    collected.confirmations.clear();
    bool handed = false;
    QObject::connect(Form().Load()->Timer(), &QTimer::timeout, [&] {
        if (!std::exchange(handed, true)) {
            Form().OpenLaterStartFile(Path("gone.rfc"));
            Form().OpenLaterStartFile(late);
        }
    });
    collected.fileDialogAnswer = "";
    Form().SaveAs1Click();
    EXPECT_TRUE(handed);
    EXPECT_TRUE(collected.confirmations.isEmpty());
    EXPECT_EQ(Form().Load()->LabelA()->text(), "Reading: Remove");
    EXPECT_EQ(ConfigBits, 0x22); // the upload read the reader, untouched meanwhile
    ASSERT_TRUE(WaitFor([&] { return collected.confirmations.size() == 1 && !Form().Load()->isVisible(); }));
    EXPECT_EQ(Firmware().settings().confByte, 0x23);
    EXPECT_TRUE(collected.errors.isEmpty());
}
