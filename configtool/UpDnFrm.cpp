#include "UpDnFrm.h"

#include "DllImport.h"
#include "ReportLastError.h"
#include "Unit1.h"
#include "ui_UpDnFrm.h"

#include <QTimer>

TLoad::TLoad(TForm1 *form)
    : QDialog(form), ui(std::make_unique<Ui::TLoad>()), FForm(form), FTimer(new QTimer(this))
{
    ui->setupUi(this);
    setFixedSize(size());
    FTimer->setObjectName(QStringLiteral("Timer"));
    FTimer->setInterval(500);
    connect(FTimer, &QTimer::timeout, this, &TLoad::TimerTimer);
}

TLoad::~TLoad() = default;

QLabel *TLoad::LabelA() const
{
    return ui->LabelA;
}

TModalResult TLoad::Upload()
{
    FReadError = nullptr;
    return StartUpload();
}

TModalResult TLoad::UploadForSaving(QString &readError)
{
    readError.clear();
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
    ui->LabelA->setText(QStringLiteral("Preparing for download"));
    ActionMode = amDownload;
    ActionState = asConfig;
    return Run();
}

TModalResult TLoad::Run()
{
    FTimer->start();
    return static_cast<TModalResult>(exec());
}

void TLoad::Finish(TModalResult result)
{
    FTimer->stop();
    done(result);
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
    QString *const readError = FReadError;
    const TErrorReport report = readError ? TErrorReport([readError](const QString &what) {
        if (readError->isEmpty())
            *readError = LogLastError(what);
    })
                                          : TErrorReport(ReportLastError);
    bool read = false;
    switch (ActionState) {
    case asConfig:
        ui->LabelA->setText(QStringLiteral("Reading: Config"));
        read = FForm->TabSheetCardCodeShow(report);
        ActionState = asBefore;
        break;
    case asBefore:
        ui->LabelA->setText(QStringLiteral("Reading: Before"));
        read = FForm->TabSheetAdvancedBeforeShow(report);
        ActionState = asAfter;
        break;
    case asAfter:
        ui->LabelA->setText(QStringLiteral("Reading: After"));
        read = FForm->TabSheetAdvancedAfterShow(report);
        ActionState = asRemove;
        break;
    case asRemove:
        ui->LabelA->setText(QStringLiteral("Reading: Remove"));
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
        ui->LabelA->setText(QStringLiteral("Downloading: Config"));
        written = RFID_SetConfigBits(static_cast<uint8_t>(ConfigBits));
        break;
    case asBefore:
        ui->LabelA->setText(QStringLiteral("Downloading: Before"));
        written = RFID_SetBeforeHidKeyboardReport(&BeforeReport);
        break;
    case asAfter:
        ui->LabelA->setText(QStringLiteral("Downloading: After"));
        written = RFID_SetAfterHidKeyboardReport(&AfterReport);
        break;
    case asRemove:
        ui->LabelA->setText(QStringLiteral("Downloading: Remove"));
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
        FTimer->stop();
        ReportLastError(QStringLiteral("TimerTimer"));
        done(mrCancel);
    }
}
