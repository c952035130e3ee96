// TForm1: the Card Code page, how the reader types a card code: the
// configuration byte, the keyboard enable flag and the reader's sounds; and
// the ENTER area of the header, which writes the configuration byte at once.
#include "ReportLastError.h"
#include "Unit1.h"
#include "ui_Unit1.h"

#include <QStyle>

#include <array>

int32_t ConfigBits = 0;

namespace {

// Sound codes of the first eight items of the sound list; the last item,
// and a typed text that names none, play the coin.
constexpr std::array<uint8_t, 8> SoundCodes = {0, 6, 11, 14, 19, 21, 25, 27};
constexpr uint8_t SoundCoin = 29;

} // namespace

uint8_t TForm1::ComposeConfigBits() const
{
    uint8_t bits = 0;
    if (FEnterSet)
        bits |= RFID_CFG_ENTER;
    if (ui->RadioButtonUpercase->isChecked())
        bits |= RFID_CFG_UPPERCASE;
    if (ui->CheckBoxLeaveAfterKey->isChecked())
        bits |= RFID_CFG_LEAVE_AFTER_KEY;
    if (ui->CheckBoxSound->isChecked())
        bits |= RFID_CFG_SOUND;
    if (ui->CheckBoxManager->isChecked())
        bits |= RFID_CFG_MANAGER;
    if (RadioGroupASCIIItemIndex() != 0) // anything but "Hexadecimal"
        bits |= RFID_CFG_DECIMAL;
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

bool TForm1::ShowCardCodeConfig(const TErrorReport &report)
{
    if (!RFID_GetConfigBits(&ConfigBits)) {
        report(QStringLiteral("RFID_GetConfigBits"));
        return false;
    }
    const auto bits = static_cast<uint8_t>(ConfigBits);
    SetEnterSet(bits & RFID_CFG_ENTER);
    ShowEnterButton();
    (bits & RFID_CFG_UPPERCASE ? ui->RadioButtonUpercase : ui->RadioButtonLowercase)->setChecked(true);
    ui->CheckBoxLeaveAfterKey->setChecked(bits & RFID_CFG_LEAVE_AFTER_KEY);
    ui->CheckBoxSound->setChecked(bits & RFID_CFG_SOUND);
    ui->CheckBoxManager->setChecked(bits & RFID_CFG_MANAGER);
    SetRadioGroupASCIIItemIndex(bits & RFID_CFG_DECIMAL ? 1 : 0);

    uint8_t enable = 0;
    if (!RFID_GetEnable(&enable)) {
        report(QStringLiteral("RFID_GetEnable"));
        return false;
    }
    SettingEnable = true; // this change is not written back
    ui->CheckBoxEnable->setChecked(enable != 0);
    SettingEnable = false;
    return true;
}

bool TForm1::TabSheetCardCodeShow(const TErrorReport &report)
{
    return ShowCardCodeConfig(report);
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
