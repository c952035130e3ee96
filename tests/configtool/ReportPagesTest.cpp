// The Before, After and Remove keyboard report pages.
#include "WindowFixture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QTest>

#include <array>

using namespace mardune::testing;
using readersim::KeyboardReport;

namespace {

struct TPage {
    const char *name;     // as in the control names
    const char *sheet;    // the page
    const char *setButton;
    const char *clearButton;
    KeyboardReport readersim::ReaderSettings::*report;
    TKeybHIDReport *buffer;
    const char *getter;
    const char *setter;
};

const std::array<TPage, 3> Pages = {{
    {"Before", "TabSheetAdvancedBefore", "ButtonSetBefore", "ButtonClearBefore", &readersim::ReaderSettings::before,
     &BeforeReport, "RFID_GetBeforeHidKeyboardReport", "RFID_SetBeforeHidKeyboardReport"},
    {"After", "TabSheetAdvancedAfter", "ButtonSetAfter", "ButtonAfterClear", &readersim::ReaderSettings::after,
     &AfterReport, "RFID_GetAfterHidKeyboardReport", "RFID_SetAfterHidKeyboardReport"},
    {"Remove", "TabSheetRemove", "ButtonRemoveSet", "ButtonRemoveClear", &readersim::ReaderSettings::remove,
     &RemoveReport, "RFID_GetRemoveHidKeyboardReport", "RFID_SetRemoveHidKeyboardReport"},
}};

// Top to bottom as shown.
const std::array<const char *, 8> Boxes = {"LGUI", "LAlt", "LShift", "LControl", "RGUI", "RAlt", "RShift", "RControl"};

KeyboardReport Bytes(const TKeybHIDReport &report)
{
    return {report.Modifier, report.Reserved, report.Key1, report.Key2,
            report.Key3,     report.Key4,     report.Key5, report.Key6};
}

} // namespace

class ReportPages : public WindowTest, public ::testing::WithParamInterface<TPage> {
protected:
    void Start(const KeyboardReport &report)
    {
        readersim::ReaderSettings settings;
        settings.*GetParam().report = report;
        PlugReader({}, settings);
        CreateForm();
    }
    KeyboardReport Reader() { return Firmware().settings().*GetParam().report; }
    void SetReader(const KeyboardReport &report)
    {
        readersim::ReaderSettings settings = Firmware().settings();
        settings.*GetParam().report = report;
        Firmware().setSettings(settings);
    }
    void ShowPage() { PageControl()->setCurrentWidget(Get<QWidget>(GetParam().sheet)); }
    void Click(const char *button) { QTest::mouseClick(Get<QAbstractButton>(button), Qt::LeftButton); }
    QCheckBox *Box(const char *box) { return Get<QCheckBox>(("CheckBox" + QString(GetParam().name) + box).toLatin1()); }
    QComboBox *List(int key) { return Get<QComboBox>(QString("ComboBox%1Key%2").arg(GetParam().name).arg(key).toLatin1()); }
    // The checked boxes, top to bottom, and the six selected entries.
    QString Shown()
    {
        QStringList on;
        for (const char *box : Boxes)
            if (Box(box)->isChecked())
                on << box;
        for (int key = 1; key <= 6; ++key)
            on << QString::number(List(key)->currentIndex());
        return on.join(' ');
    }
};

TEST_P(ReportPages, LayoutCaptionsAndTheFullKeyListOnEveryList)
{
    Start({});
    const char *captions[] = {"Left GUI",  "Left Alt",  "Left Shift",  "Left Control",
                              "Right GUI", "Right Alt", "Right Shift", "Right Control"};
    int previousY = -1;
    for (size_t i = 0; i < Boxes.size(); ++i) {
        EXPECT_EQ(Box(Boxes[i])->text(), captions[i]);
        EXPECT_GT(Box(Boxes[i])->y(), previousY) << captions[i];
        previousY = Box(Boxes[i])->y();
    }
    for (int key = 1; key <= 6; ++key) {
        EXPECT_EQ(List(key)->count(), 219);
        EXPECT_FALSE(List(key)->isEditable());
        EXPECT_EQ(List(key)->itemText(52), "Keyboard \"");
    }
    EXPECT_EQ(Get<QAbstractButton>(GetParam().setButton)->text(), "Set");
    EXPECT_EQ(Get<QAbstractButton>(GetParam().clearButton)->text(), "Clear");
}

TEST_P(ReportPages, ShowingReadsAndSetSendsTheReportBackByteForByte)
{
    const KeyboardReport report = {0x81, 0x5A, 0x04, 0xA4, 0xB0, 0xDD, 0xE0, 0xE7};
    Start(report);
    ShowPage();
    EXPECT_EQ(Shown(), "LControl RGUI 4 164 165 210 211 218"); // bit 7 and bit 0
    EXPECT_EQ(Bytes(*GetParam().buffer), report);
    SetReader({});
    Click(GetParam().setButton);
    EXPECT_EQ(Reader(), report); // Reserved included
    EXPECT_TRUE(collected.errors.isEmpty());
}

TEST_P(ReportPages, ModifierBitsRunReversedAndNothingSelectedStores255)
{
    Start({0, 0x33, 0, 0, 0, 0, 0, 0});
    ShowPage();
    Box("LShift")->setChecked(true);
    Box("RAlt")->setChecked(true);
    List(1)->setCurrentIndex(40);  // ENTER
    List(2)->setCurrentIndex(-1);  // nothing selected
    List(6)->setCurrentIndex(212); // LeftShift
    Click(GetParam().setButton);
    EXPECT_EQ(Reader(), (KeyboardReport{0x42, 0x33, 0x28, 0xFF, 0, 0, 0, 0xE1}));
}

TEST_P(ReportPages, CodesWithoutAnEntryShowNothingOrANeighbour)
{
    Start({0, 0, 0xE8, 0xFF, 0xA5, 0xDE, 0, 0});
    ShowPage();
    EXPECT_EQ(Shown(), "-1 -1 154 209 0 0");
}

TEST_P(ReportPages, ClearSendsNothingAndTheNextShowReadsTheReaderAgain)
{
    const KeyboardReport report = {0xF0, 1, 0x1E, 0, 0, 0, 0, 0x27};
    Start(report);
    ShowPage();
    Click(GetParam().clearButton);
    EXPECT_EQ(Shown(), "0 0 0 0 0 0");
    EXPECT_EQ(Bytes(*GetParam().buffer), report); // the buffer is not touched
    PageControl()->setCurrentWidget(Get<QWidget>("TabSheetCardCode"));
    ShowPage();
    EXPECT_EQ(Shown(), "LGUI LAlt LShift LControl 30 0 0 0 0 39");
    EXPECT_EQ(Reader(), report);
}

TEST_P(ReportPages, FailedReadNamesTheExportAndKeepsThePage)
{
    Start({0x01, 0, 5, 0, 0, 0, 0, 0});
    ShowPage();
    SetReader({0x80, 0, 6, 0, 0, 0, 0, 0});
    Firmware().failNextTransfers(1);
    PageControl()->setCurrentWidget(Get<QWidget>("TabSheetOther"));
    ShowPage();
    ASSERT_EQ(collected.errors.size(), 1);
    EXPECT_TRUE(collected.errors[0].startsWith(QString(GetParam().getter) + ": ")) << collected.errors[0].toStdString();
    EXPECT_EQ(Shown(), "RGUI 5 0 0 0 0 0");
}

TEST_P(ReportPages, FailedWriteNamesTheExportAndTheBufferKeepsThePage)
{
    Start({});
    ShowPage();
    Box("RControl")->setChecked(true);
    Firmware().failNextTransfers(1);
    Click(GetParam().setButton);
    ASSERT_EQ(collected.errors.size(), 1);
    EXPECT_TRUE(collected.errors[0].startsWith(QString(GetParam().setter) + ": "));
    EXPECT_EQ(GetParam().buffer->Modifier, 0x08);
}

TEST_P(ReportPages, NoReaderGivesOneMessageNamingTheRead)
{
    UnplugReader();
    CreateForm();
    ShowPage();
    ASSERT_EQ(collected.errors.size(), 1);
    EXPECT_TRUE(collected.errors[0].startsWith(QString(GetParam().getter) + ": "));
}

INSTANTIATE_TEST_SUITE_P(, ReportPages, ::testing::ValuesIn(Pages),
                         [](const ::testing::TestParamInfo<TPage> &info) { return std::string(info.param.name); });
