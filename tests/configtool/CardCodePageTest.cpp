// The Card Code page, the Enter area of the header and the sounds.
#include "WindowFixture.h"

#include <QComboBox>
#include <QTest>
#include <QToolButton>

using namespace mardune::testing;

class CardCodePage : public WindowTest {
protected:
    // A reader holding this configuration byte and enable flag, the window
    // on it, and empty logs.
    void Start(uint8_t confByte, uint8_t enable = 1)
    {
        readersim::ReaderSettings settings;
        settings.confByte = confByte;
        settings.enable = enable;
        PlugReader({}, settings);
        CreateForm();
        Firmware().clearLogs();
    }
    void SetReader(uint8_t confByte, uint8_t enable)
    {
        readersim::ReaderSettings settings = Firmware().settings();
        settings.confByte = confByte;
        settings.enable = enable;
        Firmware().setSettings(settings);
    }
    void Click(const char *button) { QTest::mouseClick(Get<QAbstractButton>(button), Qt::LeftButton); }
    bool Checked(const char *button) { return Get<QAbstractButton>(button)->isChecked(); }
    void Check(const char *button) { Get<QAbstractButton>(button)->setChecked(true); }
    // What the page and the Enter area show, as words.
    QString Shown()
    {
        QStringList on;
        const QToolButton *enter = Get<QToolButton>("SpeedButtonEnter");
        if (Form().EnterSet())
            on << (enter->autoRaise() ? "Enter(flat!)" : "Enter");
        else if (!enter->autoRaise())
            on << "NoEnter(raised!)";
        on << (Checked("RadioButtonUpercase") ? "Upper" : Checked("RadioButtonLowercase") ? "Lower" : "NoCase");
        for (const char *box : {"CheckBoxLeaveAfterKey", "CheckBoxSound", "CheckBoxManager"})
            if (Checked(box))
                on << QString(box).mid(8);
        on << (Checked("RadioGroupASCIIDecimal") ? "Decimal" : Checked("RadioGroupASCIIHexadecimal") ? "Hex" : "NoType");
        if (Checked("CheckBoxEnable"))
            on << "Enabled";
        return on.join(' ');
    }
    // The reader's log lines that start with `kind`.
    QStringList Events(const char *kind)
    {
        QStringList lines;
        for (const std::string &event : Firmware().events())
            if (QString::fromStdString(event).startsWith(kind))
                lines << QString::fromStdString(event);
        return lines;
    }
};

TEST_F(CardCodePage, ComposedPageIsWritten)
{
    Start(0x00, 0);
    Form().SetEnterSet(true);
    Check("RadioButtonUpercase");
    Check("CheckBoxSound");
    Check("RadioGroupASCIIDecimal");
    Click("ButtonSetConfig");
    EXPECT_EQ(Events("config"), QStringList{"config 0x2b"});
    EXPECT_EQ(Events("enable"), QStringList{"enable 0"});
    EXPECT_TRUE(collected.errors.isEmpty());
}

TEST_F(CardCodePage, EveryBitShownBothWays)
{
    Start(0xFF);
    Click("SpeedButtonCardCode"); // shows the page, which reads the reader
    EXPECT_EQ(CurrentPage(), Get<QWidget>("TabSheetCardCode"));
    EXPECT_EQ(Shown(), "Enter Upper LeaveAfterKey Sound Manager Decimal Enabled");
    Click("ButtonSetConfig");
    EXPECT_EQ(Firmware().settings().confByte, 0x3F); // bits 6 and 7 dropped

    SetReader(0x00, 0);
    Form().TabSheetCardCodeShow();
    EXPECT_EQ(Shown(), "Lower Hex");
    SetReader(0x12, 1);
    Form().TabSheetCardCodeShow();
    EXPECT_EQ(Shown(), "Upper Manager Hex Enabled");
}

TEST_F(CardCodePage, LoadingSetsKeyboardEnabledWithoutWritingItBack)
{
    Start(0x0A, 0);
    ASSERT_FALSE(Checked("CheckBoxEnable"));
    SetReader(0x0A, 1);
    Form().ShowCardCodeConfig();
    EXPECT_TRUE(Checked("CheckBoxEnable"));
    EXPECT_TRUE(Events("enable").isEmpty());
    Click("CheckBoxEnable"); // the user's click is written at once
    EXPECT_EQ(Events("enable"), QStringList{"enable 0"});
}

TEST_F(CardCodePage, EnterAreaTogglesAndWritesTheWholePage)
{
    Start(0x2A);
    ASSERT_EQ(Shown(), "Upper Sound Decimal Enabled");
    Click("SpeedButtonEnter");
    EXPECT_EQ(Shown(), "Enter Upper Sound Decimal Enabled");
    Click("SpeedButtonEnter");
    EXPECT_EQ(Shown(), "Upper Sound Decimal Enabled");
    EXPECT_EQ(Events("config"), (QStringList{"config 0x2b", "config 0x2a"}));
    EXPECT_EQ(Events("enable"), (QStringList{"enable 1", "enable 1"}));
}

TEST_F(CardCodePage, EnterToggleWithBothWritesFailingReportsBothInOrder)
{
    Start(0x00);
    Firmware().failNextTransfers(2);
    Click("SpeedButtonEnter");
    ASSERT_EQ(collected.errors.size(), 2);
    EXPECT_TRUE(collected.errors[0].startsWith("RFID_SetConfigBits: ")) << collected.errors[0].toStdString();
    EXPECT_TRUE(collected.errors[1].startsWith("RFID_SetEnable: ")) << collected.errors[1].toStdString();
    EXPECT_EQ(collected.debug, collected.errors);
    EXPECT_EQ(Shown(), "Enter Lower Hex Enabled"); // toggled all the same
    EXPECT_EQ(Firmware().settings().confByte, 0x00);
}

TEST_F(CardCodePage, FailedReadLeavesEvenKeyboardEnabledUntouched)
{
    Start(0x0A, 1);
    SetReader(0x35, 0);
    Firmware().failNextTransfers(1);
    Form().ShowCardCodeConfig();
    ASSERT_EQ(collected.errors.size(), 1);
    EXPECT_TRUE(collected.errors[0].startsWith("RFID_GetConfigBits: "));
    EXPECT_EQ(Shown(), "Upper Sound Hex Enabled");
}

TEST_F(CardCodePage, SoundListPlaysItsCodes)
{
    Start(0x0A);
    QComboBox *sounds = Get<QComboBox>("ComboBoxSound");
    EXPECT_EQ(sounds->currentText(), "S_VAL: Validation");
    for (int item : {0, 1, 4, 7, 8}) {
        sounds->setCurrentIndex(item);
        Click("ButtonPlaySound");
    }
    sounds->setEditText("S_NONE: nothing of that name");
    Click("ButtonPlaySound");
    EXPECT_EQ(Events("sound"), (QStringList{"sound 0", "sound 6", "sound 19", "sound 27", "sound 29", "sound 29"}));
}
