// The transfer dialog: its steps, texts, retry budget and results.
#include "UpDnFrm.h"
#include "WindowFixture.h"

#include <QLabel>
#include <QTimer>

using namespace mardune::testing;
using readersim::KeyboardReport;

class Transfer : public WindowTest {
protected:
    void SetUp() override
    {
        readersim::ReaderSettings settings;
        settings.confByte = 0x2B;
        settings.before = {0x81, 1, 4, 5, 0, 0, 0, 0};
        settings.after = {0x42, 2, 0x28, 0, 0, 0, 0, 0};
        settings.remove = {0x10, 3, 0xE0, 0, 0, 0, 0, 0xE7};
        PlugReader({}, settings);
        CreateForm();
        load = Form().Load();
    }
    // Starts a transfer without the timer, for ticks by hand.
    void Begin(TActionMode mode)
    {
        load->ActionMode = mode;
        load->ActionState = asConfig;
        load->RptCnt = 0;
        load->setResult(mrNone);
    }
    QString Tick()
    {
        load->TimerTimer();
        return load->LabelA()->text();
    }
    void SetBuffers()
    {
        ConfigBits = 0x35;
        BeforeReport = {0x01, 9, 0x1E, 0, 0, 0, 0, 0};
        AfterReport = {0x02, 8, 0x1F, 0, 0, 0, 0, 0};
        RemoveReport = {0x04, 7, 0x20, 0, 0, 0, 0, 0};
    }
    void ExpectReaderHoldsBuffers()
    {
        const readersim::ReaderSettings s = Firmware().settings();
        EXPECT_EQ(s.confByte, 0x35);
        EXPECT_EQ(s.before, (KeyboardReport{0x01, 9, 0x1E, 0, 0, 0, 0, 0}));
        EXPECT_EQ(s.after, (KeyboardReport{0x02, 8, 0x1F, 0, 0, 0, 0, 0}));
        EXPECT_EQ(s.remove, (KeyboardReport{0x04, 7, 0x20, 0, 0, 0, 0, 0}));
    }

    TLoad *load = nullptr;
};

TEST_F(Transfer, DialogIsTheLoadWindowWithAHalfSecondTimer)
{
    EXPECT_EQ(load->windowTitle(), "Load");
    EXPECT_EQ(load->size(), QSize(264, 98));
    EXPECT_EQ(load->LabelA()->text(), "Wait a sec");
    EXPECT_EQ(load->Timer()->interval(), 500);
    EXPECT_FALSE(load->Timer()->isSingleShot());
    EXPECT_FALSE(load->Timer()->isActive());
}

TEST_F(Transfer, UploadReadsEveryPartInOrderAndEndsOk)
{
    ConfigBits = 0;
    BeforeReport = AfterReport = RemoveReport = TKeybHIDReport{};
    Begin(amUpload);
    QStringList labels;
    for (int i = 0; i < 4; ++i)
        labels << Tick();
    EXPECT_EQ(labels, (QStringList{"Reading: Config", "Reading: Before", "Reading: After", "Reading: Remove"}));
    EXPECT_EQ(load->result(), mrOk);
    EXPECT_EQ(ConfigBits, 0x2B);
    EXPECT_EQ(BeforeReport.Modifier, 0x81);
    EXPECT_EQ(AfterReport.Key1, 0x28);
    EXPECT_EQ(RemoveReport.Key6, 0xE7);
}

TEST_F(Transfer, FailedReadsDuringUploadAreReportedAndTheUploadGoesOn)
{
    Begin(amUpload);
    Tick();
    Firmware().failNextTransfers(1);
    Tick();
    Tick();
    Tick();
    ASSERT_EQ(collected.errors.size(), 1);
    EXPECT_TRUE(collected.errors[0].startsWith("RFID_GetBeforeHidKeyboardReport: "));
    EXPECT_EQ(load->result(), mrOk);
}

TEST_F(Transfer, DownloadRetriesWithinOneBudgetForTheWholeTransfer)
{
    SetBuffers();
    Begin(amDownload);
    QStringList labels;
    labels << Tick();
    Firmware().failNextTransfers(2);
    labels << Tick() << Tick() << Tick();
    EXPECT_EQ(load->RptCnt, 2);
    labels << Tick();
    Firmware().failNextTransfers(1);
    labels << Tick() << Tick();
    EXPECT_EQ(labels, (QStringList{"Downloading: Config", "Downloading: Before", "Downloading: Before",
                                   "Downloading: Before", "Downloading: After", "Downloading: Remove",
                                   "Downloading: Remove"}));
    EXPECT_EQ(load->RptCnt, 3);
    EXPECT_EQ(load->result(), mrOk);
    EXPECT_TRUE(collected.errors.isEmpty());
    ExpectReaderHoldsBuffers();
}

TEST_F(Transfer, FifthFailedWriteEndsTheDownloadWithCancel)
{
    SetBuffers();
    Begin(amDownload);
    Tick();
    Firmware().failNextTransfers(2);
    Tick(); // Before fails twice, then goes through
    Tick();
    Tick();
    Firmware().failNextTransfers(3);
    Tick();
    Tick();
    EXPECT_TRUE(collected.errors.isEmpty());
    Tick(); // the fifth failure
    ASSERT_EQ(collected.errors.size(), 1);
    EXPECT_TRUE(collected.errors[0].startsWith("TimerTimer: ")) << collected.errors[0].toStdString();
    EXPECT_EQ(load->result(), mrCancel);
    EXPECT_EQ(load->RptCnt, 4);
    EXPECT_EQ(load->ActionState, asAfter);
    EXPECT_EQ(Firmware().settings().before, (KeyboardReport{0x01, 9, 0x1E, 0, 0, 0, 0, 0})); // stays written
}

TEST_F(Transfer, DownloadWhoseEveryWriteFailsTakesFiveTicks)
{
    SetBuffers();
    load->Timer()->setInterval(2);
    int ticks = 0;
    QObject::connect(load->Timer(), &QTimer::timeout, load, [&] { ++ticks; });
    Firmware().failNextTransfers(1000);
    QString before;
    QTimer::singleShot(0, load, [&] { before = load->LabelA()->text(); });
    EXPECT_EQ(load->Download(), mrCancel);
    EXPECT_EQ(before, "Preparing for download");
    EXPECT_EQ(ticks, 5);
    EXPECT_EQ(load->RptCnt, 4);
    EXPECT_EQ(collected.errors.size(), 1);
    EXPECT_FALSE(load->Timer()->isActive());
    EXPECT_FALSE(load->isVisible());
}

TEST_F(Transfer, UploadKeepsTheLastTextUntilItsFirstTick)
{
    load->Timer()->setInterval(20);
    QString shown;
    QTimer::singleShot(0, load, [&] { shown = load->LabelA()->text(); });
    EXPECT_EQ(load->Upload(), mrOk);
    EXPECT_EQ(shown, "Wait a sec");
    SetBuffers();
    EXPECT_EQ(load->Download(), mrOk);
    ExpectReaderHoldsBuffers();
    QTimer::singleShot(0, load, [&] { shown = load->LabelA()->text(); });
    EXPECT_EQ(load->Upload(), mrOk);
    EXPECT_EQ(shown, "Downloading: Remove");
    EXPECT_EQ(load->LabelA()->text(), "Reading: Remove");
    EXPECT_EQ(load->RptCnt, 0);
}

TEST_F(Transfer, ClosingTheDialogDoesNotStopTheSequence)
{
    load->Timer()->setInterval(20);
    QTimer::singleShot(0, load, [&] { load->close(); });
    EXPECT_EQ(load->Upload(), mrOk);
    EXPECT_EQ(load->LabelA()->text(), "Reading: Remove");
}
