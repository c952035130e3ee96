#include "Unit1.h"

#include "DeviceMonitor.h"
#include "DeviceText.h"
#include "Dialogs.h"
#include "FirmwareRules.h"
#include "ReportLastError.h"
#include "UnexpectedError.h"
#include "UpDnFrm.h"
#include "os/Shell.h"
#include "ui_Unit1.h"

#include <optional>

using namespace mardune::literals;

TForm1::TForm1() : ui(std::make_unique<Ui::TForm1>())
{
    LoadDesign(*ui);
    FOpenFileName = u"default.rfc"_s;
    SetVisible(ui->ImageMifare, false);
    SetupHeader();
    SetupCardCodePage();
    SetupReportPages();
    SetupSettingsPages();
    SetupAnalyzePage();
    SetupFileMenu();
    FLoad = new TLoad(this);

    // An error in the creation handler is reported and the window is
    // created all the same, with what the handler got done.
    try {
        FormCreate();
    } catch (...) {
        ShowUnexpectedError(CurrentExceptionMessage());
    }
}

TForm1::~TForm1()
{
    StopEvents();
}

void TForm1::SetupHeader()
{
    OnClick(ui->SpeedButtonBefore, [this] { SpeedButtonBeforeClick(); });
    OnClick(ui->SpeedButtonCardCode, [this] { SpeedButtonCardCodeClick(); });
    OnClick(ui->SpeedButtonEnter, [this] { SpeedButtonEnterClick(); });
    OnClick(ui->SpeedButtonAfter, [this] { SpeedButtonAfterClick(); });
    OnClick(ui->SpeedButtonRemove, [this] { SpeedButtonRemoveClick(); });
    OnClick(ui->Label27, [this] { Label27Click(); });
    OnClick(ui->LabelMail, [this] { LabelMailClick(); });
    OnClick(ui->Exit1, [this] { Exit1MenuClick(); });
}

void TForm1::FormCreate()
{
    FMonitor = CreateDeviceMonitor([this](const TDeviceChange &change) { WMDeviceChange(&change); }, this);
    RefreshDeviceStatus();
    SetActivePage(ui->PageControl, ui->TabSheetOther);
    cnt = 0;
    SettingEnable = false;
}

void TForm1::DoShow()
{
    FormShow();
}

void TForm1::FormShow()
{
    if (!FStartupLoadDone) { // the command line's file, at the first show only
        FStartupLoadDone = true;
        StartupLoad();
        LoadLaterStartFiles(); // those handed over before the first show
    }
    SetActivePage(ui->PageControl, ui->TabSheetOther);
    Invalidate(ui->PageControl);
}

void TForm1::WMDeviceChange(const TDeviceChange *message)
{
    // Any event of any HID interface, whatever its kind.
    if (message && message->HidInterface)
        RefreshDeviceStatus();
}

void TForm1::RefreshDeviceStatus()
{
    // The header, the Prefix / Sufix tab and the window's height follow every
    // device event at once, even while a box is open. What may open a box of
    // its own (the Card Code page's reads, an unexpected error) waits while a
    // modal window is open, so that there is one box at a time: then one
    // refresh, after that window has closed, stands for every event that
    // came meanwhile.
    std::optional<TString> error;
    bool attached = false;
    try {
        attached = ReadDeviceStatus();
    } catch (...) {
        error = CurrentExceptionMessage();
    }
    if (FRefreshWaiting)
        return; // the waiting refresh reads everything again
    if (DialogOpen()) {
        FRefreshWaiting = true;
        AfterDialogCloses(this, [this] {
            FRefreshWaiting = false;
            RefreshDeviceStatus();
        });
        return;
    }
    if (error)
        ShowUnexpectedError(*error);
    else if (attached)
        ShowCardCodeConfig();
}

bool TForm1::ReadDeviceStatus()
{
    if (!RFID_OpenDevice()) {
        SetCaption(ui->LabelStatus, u"Not Attached"_s);
        ClearIdentity();
        SetOuterHeight(CompactHeight);
        return false;
    }
    // Only what the reader gave is shown: when the identity call fails (the
    // record may then hold anything), the identity lines stay empty, the
    // picture and the Prefix / Sufix tab as they were, until the next device
    // event asks again.
    TDeviceData data{};
    const bool identified = RFID_GetDeviceData(&data) != 0;
    DevData = identified ? data : TDeviceData{};
    SetCaption(ui->LabelStatus, u"Attached"_s);
    if (identified)
        ShowIdentity(); // throws on a version that is no number
    else
        ClearIdentity();
    SetOuterHeight(FullHeight);
    SetActivePage(ui->PageControl, ui->TabSheetOther);
    return true;
}

void TForm1::ShowIdentity()
{
    // The library's strings live only until its next call: copied here.
    const TString product = FromSystem8Bit(DevData.ProductStr);
    SetCaption(ui->LabelManufacturer, FromSystem8Bit(DevData.ManufacturerStr));
    SetCaption(ui->LabelProduct, product + u" ("_s + IntToStr(DevData.FactoryID) + u")"_s);
    SetVisible(ui->ImageMifare, Contains(product, u"Mifare"_s));
    SetCaption(ui->LabelProductionDate, ProductionDateText(ProductionDate(DevData.ProductionYear,
                                                                          DevData.ProductionMonth,
                                                                          DevData.ProductionDay)));

    const double version = ProductVersion(product); // throws on a version that is no number
    SetTabVisible(ui->TabSheetPreSuf, readerconfig::ShowsPrefixSufixPage(version));
}

void TForm1::ClearIdentity()
{
    SetCaption(ui->LabelManufacturer, {});
    SetCaption(ui->LabelProduct, {});
    SetCaption(ui->LabelProductionDate, {});
}

void TForm1::SpeedButtonBeforeClick()
{
    SetActivePage(ui->PageControl, ui->TabSheetAdvancedBefore);
}

void TForm1::SpeedButtonCardCodeClick()
{
    SetActivePage(ui->PageControl, ui->TabSheetCardCode);
}

void TForm1::SpeedButtonAfterClick()
{
    SetActivePage(ui->PageControl, ui->TabSheetAdvancedAfter);
}

void TForm1::SpeedButtonRemoveClick()
{
    SetActivePage(ui->PageControl, ui->TabSheetRemove);
}

void TForm1::Exit1MenuClick()
{
    TerminateApplication(); // the loop ends after this message; the start-up ends the tool
}

void TForm1::Label27Click()
{
    OpenDocument(Caption(ui->Label27)); // a failure is not reported
}

void TForm1::LabelMailClick()
{
    OpenDocument(u"mailto:"_s + Caption(ui->LabelMail));
}
