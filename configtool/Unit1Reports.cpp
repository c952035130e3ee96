// TForm1: the Before, After and Remove keyboard report pages.
#include "ReportLastError.h"
#include "Unit1.h"
#include "ui_Unit1.h"

TKeybHIDReport BeforeReport{};
TKeybHIDReport AfterReport{};
TKeybHIDReport RemoveReport{};

namespace {

using TReportGetter = int32_t(KORVEL_CALL *)(TKeybHIDReport *);
using TReportSetter = int32_t(KORVEL_CALL *)(const TKeybHIDReport *);

// The reader's report into the buffer, then onto the page; a failure leaves
// the page as it was.
void ReadReport(TReportGetter get, const char *name, TKeybHIDReport &buffer, const TReportPageControls &page)
{
    if (!get(&buffer)) {
        ReportLastError(QString::fromLatin1(name));
        return;
    }
    ShowReport(page, buffer);
}

// The page into the buffer (Reserved kept), then the buffer to the reader.
void WriteReport(TReportSetter set, const char *name, TKeybHIDReport &buffer, const TReportPageControls &page)
{
    ComposeReport(page, buffer);
    if (!set(&buffer))
        ReportLastError(QString::fromLatin1(name));
}

} // namespace

void TForm1::SetupReportPages()
{
    FBeforePage = SetupReportPage(ui->TabSheetAdvancedBefore, QStringLiteral("Before"));
    FAfterPage = SetupReportPage(ui->TabSheetAdvancedAfter, QStringLiteral("After"));
    FRemovePage = SetupReportPage(ui->TabSheetRemove, QStringLiteral("Remove"));
    connect(ui->ButtonSetBefore, &QPushButton::clicked, this, &TForm1::ButtonSetBeforeClick);
    connect(ui->ButtonSetAfter, &QPushButton::clicked, this, &TForm1::ButtonSetAfterClick);
    connect(ui->ButtonRemoveSet, &QPushButton::clicked, this, &TForm1::ButtonRemoveSetClick);
    connect(ui->ButtonClearBefore, &QPushButton::clicked, this, &TForm1::ButtonClearBeforeClick);
    connect(ui->ButtonAfterClear, &QPushButton::clicked, this, &TForm1::ButtonAfterClearClick);
    connect(ui->ButtonRemoveClear, &QPushButton::clicked, this, &TForm1::ButtonRemoveClearClick);
}

void TForm1::TabSheetAdvancedBeforeShow()
{
    ReadReport(RFID_GetBeforeHidKeyboardReport, "RFID_GetBeforeHidKeyboardReport", BeforeReport, FBeforePage);
}

void TForm1::TabSheetAdvancedAfterShow()
{
    ShowAfterReport();
}

void TForm1::ShowAfterReport()
{
    ReadReport(RFID_GetAfterHidKeyboardReport, "RFID_GetAfterHidKeyboardReport", AfterReport, FAfterPage);
}

void TForm1::TabSheetRemoveShow()
{
    ShowRemoveReport();
}

void TForm1::ShowRemoveReport()
{
    ReadReport(RFID_GetRemoveHidKeyboardReport, "RFID_GetRemoveHidKeyboardReport", RemoveReport, FRemovePage);
}

void TForm1::ButtonSetBeforeClick()
{
    WriteReport(RFID_SetBeforeHidKeyboardReport, "RFID_SetBeforeHidKeyboardReport", BeforeReport, FBeforePage);
}

void TForm1::ButtonSetAfterClick()
{
    WriteReport(RFID_SetAfterHidKeyboardReport, "RFID_SetAfterHidKeyboardReport", AfterReport, FAfterPage);
}

void TForm1::ButtonRemoveSetClick()
{
    WriteReport(RFID_SetRemoveHidKeyboardReport, "RFID_SetRemoveHidKeyboardReport", RemoveReport, FRemovePage);
}

void TForm1::ButtonClearBeforeClick()
{
    ClearReportPage(FBeforePage);
}

void TForm1::ButtonAfterClearClick()
{
    ClearReportPage(FAfterPage);
}

void TForm1::ButtonRemoveClearClick()
{
    ClearReportPage(FRemovePage);
}
