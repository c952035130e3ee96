#include "Unit1.h"

#include "DeviceMonitor.h"
#include "DeviceText.h"
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

#include <array>

int32_t ConfigBits = 0;

namespace {

// Bits of the configuration byte.
constexpr uint8_t BitEnter = 0x01;
constexpr uint8_t BitUppercase = 0x02;
constexpr uint8_t BitLeaveAfterKey = 0x04;
constexpr uint8_t BitSound = 0x08;
constexpr uint8_t BitManager = 0x10;
constexpr uint8_t BitDecimal = 0x20;

// Sound codes of the first eight items of the sound list; the last item,
// and a typed text that names none, play the coin.
constexpr std::array<uint8_t, 8> SoundCodes = {0, 6, 11, 14, 19, 21, 25, 27};
constexpr uint8_t SoundCoin = 29;

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
    // A refresh may wait in an error box, whose event loop delivers further
    // device events: they ask for one more refresh after this one instead
    // of one nested refresh (and box) each.
    if (FRefreshing) {
        FRefreshPending = true;
        return;
    }
    FRefreshing = true;
    do {
        FRefreshPending = false;
        try {
            ReadDeviceStatus();
        } catch (...) { // reported here, so that its box is the refresh's one
            ShowUnexpectedError(CurrentExceptionMessage());
        }
    } while (FRefreshPending);
    FRefreshing = false;
}

void TForm1::ReadDeviceStatus()
{
    if (!RFID_OpenDevice()) {
        ui->LabelStatus->setText(QStringLiteral("Not Attached"));
        ui->LabelManufacturer->clear();
        ui->LabelProduct->clear();
        ui->LabelProductionDate->clear();
        SetOuterHeight(CompactHeight);
        return;
    }
    RFID_GetDeviceData(&DevData);
    ui->LabelStatus->setText(QStringLiteral("Attached"));
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
    SetOuterHeight(FullHeight);
    ui->PageControl->setCurrentWidget(ui->TabSheetOther);
    ShowCardCodeConfig();
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

// ---- Card Code page ------------------------------------------------------

uint8_t TForm1::ComposeConfigBits() const
{
    uint8_t bits = 0;
    if (FEnterSet)
        bits |= BitEnter;
    if (ui->RadioButtonUpercase->isChecked())
        bits |= BitUppercase;
    if (ui->CheckBoxLeaveAfterKey->isChecked())
        bits |= BitLeaveAfterKey;
    if (ui->CheckBoxSound->isChecked())
        bits |= BitSound;
    if (ui->CheckBoxManager->isChecked())
        bits |= BitManager;
    if (RadioGroupASCIIItemIndex() != 0) // anything but "Hexadecimal"
        bits |= BitDecimal;
    return bits;
}

void TForm1::SetEnterSet(bool value)
{
    FEnterSet = value;
}

void TForm1::ShowEnterButton()
{
    // Flat while Enter is off, raised while it is on.
    QToolButton *button = ui->SpeedButtonEnter;
    button->setAutoRaise(!FEnterSet);
    button->style()->unpolish(button); // the look follows autoRaise
    button->style()->polish(button);
}

int TForm1::RadioGroupASCIIItemIndex() const
{
    if (ui->RadioGroupASCIIHexadecimal->isChecked())
        return 0;
    if (ui->RadioGroupASCIIDecimal->isChecked())
        return 1;
    return -1;
}

void TForm1::SetRadioGroupASCIIItemIndex(int index)
{
    (index == 0 ? ui->RadioGroupASCIIHexadecimal : ui->RadioGroupASCIIDecimal)->setChecked(true);
}

void TForm1::ShowCardCodeConfig()
{
    if (!RFID_GetConfigBits(&ConfigBits)) {
        ReportLastError(QStringLiteral("RFID_GetConfigBits"));
        return;
    }
    const auto bits = static_cast<uint8_t>(ConfigBits);
    SetEnterSet(bits & BitEnter);
    ShowEnterButton();
    (bits & BitUppercase ? ui->RadioButtonUpercase : ui->RadioButtonLowercase)->setChecked(true);
    ui->CheckBoxLeaveAfterKey->setChecked(bits & BitLeaveAfterKey);
    ui->CheckBoxSound->setChecked(bits & BitSound);
    ui->CheckBoxManager->setChecked(bits & BitManager);
    SetRadioGroupASCIIItemIndex(bits & BitDecimal ? 1 : 0);

    uint8_t enable = 0;
    if (!RFID_GetEnable(&enable)) {
        ReportLastError(QStringLiteral("RFID_GetEnable"));
        return;
    }
    SettingEnable = true; // this change is not written back
    ui->CheckBoxEnable->setChecked(enable != 0);
    SettingEnable = false;
}

void TForm1::TabSheetCardCodeShow()
{
    ShowCardCodeConfig();
}

void TForm1::ButtonSetConfigClick()
{
    // Both writes are always attempted.
    if (!RFID_SetConfigBits(ComposeConfigBits()))
        ReportLastError(QStringLiteral("RFID_SetConfigBits"));
    if (!RFID_SetEnable(ui->CheckBoxEnable->isChecked() ? 1 : 0))
        ReportLastError(QStringLiteral("RFID_SetEnable"));
}

void TForm1::CheckBoxEnableClick()
{
    if (SettingEnable)
        return;
    if (!RFID_SetEnable(ui->CheckBoxEnable->isChecked() ? 1 : 0))
        ReportLastError(QStringLiteral("RFID_SetEnable"));
}

int TForm1::ComboBoxSoundItemIndex() const
{
    // A typed text selects the item it names, if any.
    return ui->ComboBoxSound->findText(ui->ComboBoxSound->currentText(), Qt::MatchExactly | Qt::MatchCaseSensitive);
}

uint8_t TForm1::SoundCode(int itemIndex)
{
    return itemIndex >= 0 && itemIndex < static_cast<int>(SoundCodes.size()) ? SoundCodes[static_cast<size_t>(itemIndex)]
                                                                              : SoundCoin;
}

void TForm1::ButtonPlaySoundClick()
{
    if (!RFID_PlaySound(SoundCode(ComboBoxSoundItemIndex())))
        ReportLastError(QStringLiteral("RFID_PlaySound"));
}

void TForm1::SpeedButtonEnterClick()
{
    SetEnterSet(!FEnterSet);
    ShowEnterButton();
    ButtonSetConfigClick();
}
