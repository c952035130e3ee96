#include "UpDnFrm.h"

#include "DllImport.h"
#include "ReportLastError.h"
#include "Unit1.h"
#include "ui_UpDnFrm.h"

using namespace mardune::literals;

TLoad::TLoad(TForm1 *form) : TDialog(form), ui(std::make_unique<Ui::TLoad>()), FForm(form)
{
    LoadDesign(*ui);
    FTimer = new TTimer(this);
    SetInterval(FTimer, 500);
    OnTimer(FTimer, [this] { TimerTimer(); });
}

TLoad::~TLoad()
{
    StopEvents();
}

TLabel *TLoad::LabelA() const
{
    return ui->LabelA;
}

TModalResult TLoad::Upload()
{
    FReadError = nullptr;
    return StartUpload();
}

TModalResult TLoad::UploadForSaving(TString &readError)
{
    readError = {};
    FReadError = &readError;
    const TModalResult result = StartUpload();
    FReadError = nullptr;
    return result;
}

TModalResult TLoad::StartUpload()
{
    RptCnt = 0;
    ActionMode = amUpload;
    ActionState = asConfig;
    return Run();
}

TModalResult TLoad::Download()
{
    RptCnt = 0;
    SetCaption(ui->LabelA, u"Preparing for download"_s);
    ActionMode = amDownload;
    ActionState = asConfig;
    return Run();
}

TModalResult TLoad::Run()
{
    SetEnabled(FTimer, true);
    return static_cast<TModalResult>(ShowModal());
}

void TLoad::Finish(TModalResult result)
{
    SetEnabled(FTimer, false);
    SetModalResult(result);
}

void TLoad::TimerTimer()
{
    if (FInStep)
        return;
    struct TStepGuard {
        bool &flag;
        explicit TStepGuard(bool &f) : flag(f) { flag = true; }
        ~TStepGuard() { flag = false; }
    } guard(FInStep);
    if (ActionMode == amUpload)
        UploadStep();
    else if (ActionMode == amDownload)
        DownloadStep();
}

void TLoad::UploadStep()
{
    // A failed read is reported by the page and the sequence goes on, unless
    // the upload is one for a save, which the first failure ends.
    TString *const readError = FReadError;
    TErrorReport report = ReportLastError;
    if (readError)
        report = [readError](const TString &what) {
            if (IsEmpty(*readError))
                *readError = LogLastError(what);
        };
    bool read = false;
    switch (ActionState) {
    case asConfig:
        SetCaption(ui->LabelA, u"Reading: Config"_s);
        read = FForm->TabSheetCardCodeShow(report);
        ActionState = asBefore;
        break;
    case asBefore:
        SetCaption(ui->LabelA, u"Reading: Before"_s);
        read = FForm->TabSheetAdvancedBeforeShow(report);
        ActionState = asAfter;
        break;
    case asAfter:
        SetCaption(ui->LabelA, u"Reading: After"_s);
        read = FForm->TabSheetAdvancedAfterShow(report);
        ActionState = asRemove;
        break;
    case asRemove:
        SetCaption(ui->LabelA, u"Reading: Remove"_s);
        read = FForm->TabSheetRemoveShow(report);
        if (read || !readError)
            Finish(mrOk);
        break;
    default:
        return;
    }
    if (!read && readError)
        Finish(mrCancel);
}

void TLoad::DownloadStep()
{
    bool written = false;
    switch (ActionState) {
    case asConfig:
        SetCaption(ui->LabelA, u"Downloading: Config"_s);
        written = RFID_SetConfigBits(static_cast<uint8_t>(ConfigBits));
        break;
    case asBefore:
        SetCaption(ui->LabelA, u"Downloading: Before"_s);
        written = RFID_SetBeforeHidKeyboardReport(&BeforeReport);
        break;
    case asAfter:
        SetCaption(ui->LabelA, u"Downloading: After"_s);
        written = RFID_SetAfterHidKeyboardReport(&AfterReport);
        break;
    case asRemove:
        SetCaption(ui->LabelA, u"Downloading: Remove"_s);
        written = RFID_SetRemoveHidKeyboardReport(&RemoveReport);
        break;
    default:
        return;
    }
    if (written) {
        if (ActionState == asRemove)
            Finish(mrOk);
        else
            ActionState = static_cast<TActionState>(ActionState + 1);
    } else if (RptCnt < MaxRetries) {
        ++RptCnt; // the same step again at the next tick
    } else {
        SetEnabled(FTimer, false);
        ReportLastError(u"TimerTimer"_s);
        SetModalResult(mrCancel);
    }
}
