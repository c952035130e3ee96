// The Prefix / Sufix, Device Mode and Analyze pages.
#include "WindowFixture.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTest>

using namespace mardune::testing;

namespace {

std::array<uint8_t, 6> Text6(const char *text)
{
    std::array<uint8_t, 6> bytes{};
    for (size_t i = 0; i < bytes.size() && text[i]; ++i)
        bytes[i] = static_cast<uint8_t>(text[i]);
    return bytes;
}

} // namespace

class SettingsPages : public WindowTest {
protected:
    void Start(const readersim::ReaderSettings &settings = {}, const char *product = "USB RFID Reader Ver: 1.7")
    {
        readersim::ReaderIdentity identity;
        identity.product = product;
        PlugReader(identity, settings);
        CreateForm();
    }
    void Show(const char *page) { PageControl()->setCurrentWidget(Get<QWidget>(page)); }
    void Click(const char *button) { QTest::mouseClick(Get<QAbstractButton>(button), Qt::LeftButton); }
    QLineEdit *Edit(const char *name) { return Get<QLineEdit>(name); }
    QStringList Log() { return Get<QPlainTextEdit>("MemoDecode")->toPlainText().split('\n', Qt::SkipEmptyParts); }
};

TEST_F(SettingsPages, PrefixIsTypedInCapitalsAndShowsWhatTheReaderKept)
{
    readersim::ReaderSettings settings;
    settings.prefix = Text6("OLD");
    settings.sufix = Text6("END");
    Start(settings);
    Show("TabSheetPreSuf");
    EXPECT_EQ(Edit("EditPrefix")->text(), "OLD");
    EXPECT_EQ(Edit("EditSufix")->text(), "END");
    Edit("EditPrefix")->clear();
    QTest::keyClicks(Edit("EditPrefix"), "abcdefghijklmnopqrstuvwxyz");
    EXPECT_EQ(Edit("EditPrefix")->text(), "ABCDEFGHIJKLMNOPQRST"); // 20 at most
    Edit("EditSufix")->clear();
    Click("ButtonSetPrefixSufix");
    EXPECT_EQ(Edit("EditPrefix")->text(), "ABCDEF");
    EXPECT_EQ(Edit("EditSufix")->text(), "");
    EXPECT_EQ(Firmware().settings().prefix, Text6("ABCDEF"));
    EXPECT_EQ(Firmware().settings().sufix, Text6(""));
    EXPECT_TRUE(collected.errors.isEmpty());
}

TEST_F(SettingsPages, TextGoesThroughTheCodePageAndTheNoteTellsWhatCannotBeTyped)
{
    readersim::ReaderSettings settings;
    settings.prefix = {0x80, 0x9F, 0xC4, 0x81, 0, 0}; // € Ÿ Ä and an undefined byte
    Start(settings);
    Show("TabSheetPreSuf");
    EXPECT_EQ(Edit("EditPrefix")->text(), QString::fromUtf8("\u20AC\u0178\u00C4\u0081"));
    const struct {
        const char *typed;
        std::array<uint8_t, 6> kept;
        const char *shown;
        const char *noteTyped; // a part of the note while typed; empty: no note
        const char *noteKept;  // and after Set
    } cases[] = {
        {"\u00E4\u00E9\u20ACx", {0xC4, 0xC9, 0x80, 'X', 0, 0}, "\u00C4\u00C9\u20ACX",
         "Prefix: \u00C4 \u00C9 \u20AC kept, but the reader cannot type them",
         "Prefix: \u00C4 \u00C9 \u20AC kept, but the reader cannot type them"},
        {"a\u03A9b", {'A', 'B', 0, 0, 0, 0}, "AB", "Prefix: \u03A9 left out (not in the reader's code page", ""},
        {"ab-1", {'A', 'B', '-', '1', 0, 0}, "AB-1", "", ""},
    };
    const auto noteShows = [&](const char *part) {
        const QString note = Text("LabelPreSufNote");
        return *part ? note.contains(QString::fromUtf8(part)) : note.isEmpty();
    };
    for (const auto &c : cases) {
        Edit("EditPrefix")->clear();
        Edit("EditPrefix")->insert(QString::fromUtf8(c.typed)); // as typed: through the validator
        EXPECT_TRUE(noteShows(c.noteTyped)) << c.typed << ": " << Text("LabelPreSufNote").toStdString();
        Click("ButtonSetPrefixSufix");
        EXPECT_EQ(Firmware().settings().prefix, c.kept) << c.typed;
        EXPECT_EQ(Edit("EditPrefix")->text(), QString::fromUtf8(c.shown));
        EXPECT_TRUE(noteShows(c.noteKept)) << c.typed << ": " << Text("LabelPreSufNote").toStdString();
    }
    EXPECT_TRUE(collected.errors.isEmpty());
}

TEST_F(SettingsPages, FailedPrefixReadStillReadsTheSuffix)
{
    readersim::ReaderSettings settings;
    settings.sufix = Text6("XY");
    Start(settings);
    Edit("EditPrefix")->setText("KEEP");
    Firmware().failNextTransfers(1);
    Show("TabSheetPreSuf");
    ASSERT_EQ(collected.errors.size(), 1);
    EXPECT_TRUE(collected.errors[0].startsWith("RFID_GetPrefix: "));
    EXPECT_EQ(Edit("EditPrefix")->text(), "KEEP");
    EXPECT_EQ(Edit("EditSufix")->text(), "XY");
}

TEST_F(SettingsPages, AnyModeButZeroIsAdvancedAndSetWritesOneOrZero)
{
    readersim::ReaderSettings settings;
    settings.deviceMode = 2;
    Start(settings);
    Show("TabSheetDeviceMode");
    EXPECT_TRUE(Get<QRadioButton>("RadioButtonDevModeAdvanced")->isChecked());
    Click("Button1");
    EXPECT_EQ(Firmware().settings().deviceMode, 1);
    Click("RadioButtonDevModeNormal");
    Click("Button1");
    EXPECT_EQ(Firmware().settings().deviceMode, 0);
    Firmware().failNextTransfers(1);
    Click("Button1");
    Firmware().failNextTransfers(1);
    Form().TabSheetDeviceModeShow();
    ASSERT_EQ(collected.errors.size(), 2);
    EXPECT_TRUE(collected.errors[0].startsWith("RFID_SetDeviceMode: "));
    EXPECT_TRUE(collected.errors[1].startsWith("RFID_GetDeviceMode: "));
}

TEST_F(SettingsPages, KeyDownsAreLoggedAsVirtualKeysAndStillTyped)
{
    Start();
    Show("TabSheetAnalize");
    QLineEdit *input = Edit("EditCardCodeInput");
    QTest::keyClick(input, Qt::Key_X);
    Click("ButtonClear");
    EXPECT_TRUE(Log().isEmpty());
    EXPECT_EQ(input->text(), "");
    QTest::keyClick(input, Qt::Key_A);
    QTest::keyClick(input, Qt::Key_1);
    QTest::keyClick(input, Qt::Key_5, Qt::KeypadModifier);
    EXPECT_EQ(Log(), (QStringList{"0: Virtual Key Code: 0x0041 Chr(X)=A", "1: Virtual Key Code: 0x0031 Chr(X)=1",
                                  "2: Virtual Key Code: 0x0065 Chr(X)=e"}));
    EXPECT_EQ(input->text(), "a15");
    EXPECT_EQ(Form().f, 3);
}

TEST_F(SettingsPages, ReadLogsCountedCardCodesAndClearRestartsTheCounts)
{
    Start();
    Show("TabSheetAnalize");
    Firmware().tapCard({0x12, 0xAB, 0x00});
    Click("Read");
    Click("Read");
    Firmware().removeCard();
    Click("Read");
    EXPECT_EQ(Log(), (QStringList{"1->12AB00", "2->12AB00", "3->"}));
    QTest::keyClick(Edit("EditCardCodeInput"), Qt::Key_B);
    Click("ButtonClear");
    EXPECT_TRUE(Edit("EditCardCodeInput")->hasFocus());
    Firmware().tapCard({0x01});
    Click("Read");
    QTest::keyClick(Edit("EditCardCodeInput"), Qt::Key_Return);
    const QStringList log = Log();
    ASSERT_EQ(log.size(), 2);
    EXPECT_EQ(log[0], "1->01");
    EXPECT_TRUE(log[1].startsWith("0: Virtual Key Code: 0x000D Chr(X)=")) << log[1].toStdString();
    EXPECT_TRUE(collected.errors.isEmpty());
}

TEST_F(SettingsPages, OldFirmwareCannotReadCodesAndTheCountStays)
{
    Start({}, "USB RFID Reader Ver: 1.4");
    Show("TabSheetAnalize");
    Firmware().tapCard({0x12});
    Click("Read");
    EXPECT_EQ(Log(), QStringList{"Command not supported!"});
    EXPECT_EQ(Form().cnt, 0);
    // On a newer reader a failed read logs nothing.
    PlugReader();
    ASSERT_TRUE(WaitFor([&] { return Form().DevData.Version >= 1.7; }));
    Firmware().failNextTransfers(1);
    Click("Read");
    EXPECT_EQ(Log(), QStringList{"Command not supported!"});
    EXPECT_TRUE(collected.errors.isEmpty());
}
