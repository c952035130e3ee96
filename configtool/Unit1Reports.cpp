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

// The reader's report into the buffer, then onto the page; a failure is
// reported and leaves the page as it was.
bool ReadReport(TReportGetter get, const char *name, TKeybHIDReport &buffer, const TReportPageControls &page,
                const TErrorReport &report)
{
    if (!get(&buffer)) {
        report(FromUtf8(name));
        return false;
    }
    ShowReport(page, buffer);
    return true;
}

// The page into the buffer (Reserved kept), then the buffer to the reader.
void WriteReport(TReportSetter set, const char *name, TKeybHIDReport &buffer, const TReportPageControls &page)
{
    ComposeReport(page, buffer);
    if (!set(&buffer))
        ReportLastError(FromUtf8(name));
}

} // namespace

void TForm1::SetupReportPages()
{
    FBeforePage = SetupReportPage(this, "Before");
    FAfterPage = SetupReportPage(this, "After");
    FRemovePage = SetupReportPage(this, "Remove");
    OnShow(ui->TabSheetAdvancedBefore, [this] { TabSheetAdvancedBeforeShow(); });
    OnShow(ui->TabSheetAdvancedAfter, [this] { TabSheetAdvancedAfterShow(); });
    OnShow(ui->TabSheetRemove, [this] { TabSheetRemoveShow(); });
    OnClick(ui->ButtonSetBefore, [this] { ButtonSetBeforeClick(); });
    OnClick(ui->ButtonSetAfter, [this] { ButtonSetAfterClick(); });
    OnClick(ui->ButtonRemoveSet, [this] { ButtonRemoveSetClick(); });
    OnClick(ui->ButtonClearBefore, [this] { ButtonClearBeforeClick(); });
    OnClick(ui->ButtonAfterClear, [this] { ButtonAfterClearClick(); });
    OnClick(ui->ButtonRemoveClear, [this] { ButtonRemoveClearClick(); });
}

bool TForm1::TabSheetAdvancedBeforeShow(const TErrorReport &report)
{
    return ReadReport(RFID_GetBeforeHidKeyboardReport, "RFID_GetBeforeHidKeyboardReport", BeforeReport, FBeforePage,
                      report);
}

bool TForm1::TabSheetAdvancedAfterShow(const TErrorReport &report)
{
    return ShowAfterReport(report);
}

bool TForm1::ShowAfterReport(const TErrorReport &report)
{
    return ReadReport(RFID_GetAfterHidKeyboardReport, "RFID_GetAfterHidKeyboardReport", AfterReport, FAfterPage, report);
}

bool TForm1::TabSheetRemoveShow(const TErrorReport &report)
{
    return ShowRemoveReport(report);
}

bool TForm1::ShowRemoveReport(const TErrorReport &report)
{
    return ReadReport(RFID_GetRemoveHidKeyboardReport, "RFID_GetRemoveHidKeyboardReport", RemoveReport, FRemovePage,
                      report);
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
