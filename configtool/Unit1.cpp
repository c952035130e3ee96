#include "Unit1.h"

#include "DeviceMonitor.h"
#include "DeviceText.h"
#include "Dialogs.h"
#include "ReportLastError.h"
#include "UnexpectedError.h"
#include "UpDnFrm.h"
#include "VirtualKey.h"
#include "ui_Unit1.h"

#include <QDesktopServices>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QMoveEvent>
#include <QScreen>
#include <QShowEvent>
#include <QStyle>
#include <QUrl>

#include <optional>

namespace {

constexpr int ClientWidth = 543;

QString Text8(const char *text)
{
    return QString::fromLocal8Bit(text ? text : "");
}

} // namespace

TForm1::TForm1(QWidget *parent) : QMainWindow(parent), ui(std::make_unique<Ui::TForm1>())
{
    ui->setupUi(this);
    // A fixed tool window: caption and close button only.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setFixedWidth(ClientWidth);

    // White client area; the pages keep the usual colour.
    QPalette client = ui->Client->palette();
    client.setColor(QPalette::Window, Qt::white);
    ui->Client->setPalette(client);
    ui->Client->setAutoFillBackground(true);
    QPalette pages = ui->PageControl->palette();
    pages.setColor(QPalette::Window, QApplication::palette().color(QPalette::Window));
    ui->PageControl->setPalette(pages);

    ui->ImageMifare->hide();
    ui->Label27->installEventFilter(this);
    ui->LabelMail->installEventFilter(this);

    connect(ui->SpeedButtonBefore, &QToolButton::clicked, this, &TForm1::SpeedButtonBeforeClick);
    connect(ui->SpeedButtonCardCode, &QToolButton::clicked, this, &TForm1::SpeedButtonCardCodeClick);
    connect(ui->SpeedButtonEnter, &QToolButton::clicked, this, &TForm1::SpeedButtonEnterClick);
    connect(ui->SpeedButtonAfter, &QToolButton::clicked, this, &TForm1::SpeedButtonAfterClick);
    connect(ui->SpeedButtonRemove, &QToolButton::clicked, this, &TForm1::SpeedButtonRemoveClick);
    connect(ui->PageControl, &QTabWidget::currentChanged, this, &TForm1::PageControlChange);
    connect(ui->ButtonSetConfig, &QPushButton::clicked, this, &TForm1::ButtonSetConfigClick);
    connect(ui->ButtonPlaySound, &QPushButton::clicked, this, &TForm1::ButtonPlaySoundClick);
    connect(ui->CheckBoxEnable, &QCheckBox::toggled, this, &TForm1::CheckBoxEnableClick);
    connect(ui->Exit1, &QAction::triggered, this, &TForm1::Exit1MenuClick);
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

TForm1::~TForm1() = default;

void TForm1::FormCreate()
{
    FMonitor = CreateDeviceMonitor([this](const TDeviceChange &change) { WMDeviceChange(&change); }, this);
    RefreshDeviceStatus();
    ui->PageControl->setCurrentWidget(ui->TabSheetOther);
    cnt = 0;
    SettingEnable = false;
}

void TForm1::showEvent(QShowEvent *event)
{
    if (!event->spontaneous()) {
        if (!FShownBefore) { // centred on the screen when first shown
            FShownBefore = true;
            if (const QScreen *screen = this->screen())
                move(screen->availableGeometry().center() - frameGeometry().center() + pos());
        }
        FormShow();
    }
    QMainWindow::showEvent(event);
    ApplyOuterHeight(); // the frame is known once the window is shown
}

void TForm1::moveEvent(QMoveEvent *event)
{
    QMainWindow::moveEvent(event);
    ApplyOuterHeight(); // a window manager may add its frame late
}

void TForm1::FormShow()
{
    if (!FStartupLoadDone) { // the command line's file, at the first show only
        FStartupLoadDone = true;
        StartupLoad();
        LoadLaterStartFiles(); // those handed over before the first show
    }
    ui->PageControl->setCurrentWidget(ui->TabSheetOther);
    ui->PageControl->update();
}

void TForm1::WMDeviceChange(const TDeviceChange *message)
{
    // Any event of any HID interface, whatever its kind.
    if (message && message->HidInterface)
        RefreshDeviceStatus();
}

void TForm1::SetOuterHeight(int height)
{
    FOuterHeight = height;
    ApplyOuterHeight();
}

void TForm1::ApplyOuterHeight()
{
    if (FOuterHeight <= 0)
        return;
    // The frame the window system adds (none under a bare X server).
    const int client = FOuterHeight - (frameGeometry().height() - geometry().height());
    if (client != minimumHeight() || client != maximumHeight())
        setFixedHeight(client);
}

void TForm1::RefreshDeviceStatus()
{
    // The header, the Prefix / Sufix tab and the window's height follow every
    // device event at once, even while a box is open. What may open a box of
    // its own (the Card Code page's reads, an unexpected error) waits while a
    // modal window is open, so that there is one box at a time: then one
    // refresh, after that window has closed, stands for every event that
    // came meanwhile.
    std::optional<QString> error;
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
        ui->LabelStatus->setText(QStringLiteral("Not Attached"));
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
    ui->LabelStatus->setText(QStringLiteral("Attached"));
    if (identified)
        ShowIdentity(); // throws on a version that is no number
    else
        ClearIdentity();
    SetOuterHeight(FullHeight);
    ui->PageControl->setCurrentWidget(ui->TabSheetOther);
    return true;
}

void TForm1::ShowIdentity()
{
    // The library's strings live only until its next call: copied here.
    const QString product = Text8(DevData.ProductStr);
    ui->LabelManufacturer->setText(Text8(DevData.ManufacturerStr));
    ui->LabelProduct->setText(product + QStringLiteral(" (") + QString::number(DevData.FactoryID) +
                              QStringLiteral(")"));
    ui->ImageMifare->setVisible(product.contains(QStringLiteral("Mifare")));
    ui->LabelProductionDate->setText(ProductionDateText(
        ProductionDate(DevData.ProductionYear, DevData.ProductionMonth, DevData.ProductionDay)));

    const double version = ProductVersion(product); // throws on a version that is no number
    ui->PageControl->setTabVisible(ui->PageControl->indexOf(ui->TabSheetPreSuf), version >= 1.7);
}

void TForm1::ClearIdentity()
{
    ui->LabelManufacturer->clear();
    ui->LabelProduct->clear();
    ui->LabelProductionDate->clear();
}

void TForm1::PageControlChange(int index)
{
    // A page that becomes the active one reads its settings.
    const QWidget *page = ui->PageControl->widget(index);
    if (page == ui->TabSheetCardCode)
        TabSheetCardCodeShow();
    else if (page == ui->TabSheetAdvancedBefore)
        TabSheetAdvancedBeforeShow();
    else if (page == ui->TabSheetAdvancedAfter)
        TabSheetAdvancedAfterShow();
    else if (page == ui->TabSheetRemove)
        TabSheetRemoveShow();
    else if (page == ui->TabSheetPreSuf)
        TabSheetPreSufShow();
    else if (page == ui->TabSheetDeviceMode)
        TabSheetDeviceModeShow();
}

void TForm1::SpeedButtonBeforeClick()
{
    ui->PageControl->setCurrentWidget(ui->TabSheetAdvancedBefore);
}

void TForm1::SpeedButtonCardCodeClick()
{
    ui->PageControl->setCurrentWidget(ui->TabSheetCardCode);
}

void TForm1::SpeedButtonAfterClick()
{
    ui->PageControl->setCurrentWidget(ui->TabSheetAdvancedAfter);
}

void TForm1::SpeedButtonRemoveClick()
{
    ui->PageControl->setCurrentWidget(ui->TabSheetRemove);
}

void TForm1::Exit1MenuClick()
{
    QCoreApplication::exit(0); // ends the event loop; the start-up ends the tool
}

void TForm1::Label27Click()
{
    QDesktopServices::openUrl(QUrl(ui->Label27->text())); // a failure is not reported
}

void TForm1::LabelMailClick()
{
    QDesktopServices::openUrl(QUrl(QStringLiteral("mailto:") + ui->LabelMail->text()));
}

bool TForm1::eventFilter(QObject *watched, QEvent *event)
{
    // Every key-down in the analyzer's input is logged; the edit still gets it.
    if (watched == ui->EditCardCodeInput && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (const uint16_t code = VirtualKeyCode(key->key(), key->modifiers() & Qt::KeypadModifier))
            EditCardCodeInputKeyDown(code);
    }
    if (event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
        if (watched == ui->Label27)
            Label27Click();
        else if (watched == ui->LabelMail)
            LabelMailClick();
    }
    return QMainWindow::eventFilter(watched, event);
}
