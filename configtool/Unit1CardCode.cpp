// TForm1: the Card Code page, how the reader types a card code: the
// configuration byte, the keyboard enable flag and the reader's sounds; and
// the ENTER area of the header, which writes the configuration byte at once.
#include "ReportLastError.h"
#include "Unit1.h"
#include "ui_Unit1.h"

#include <array>

using namespace mardune::literals;

int32_t ConfigBits = 0;

namespace {

// Sound codes of the first eight items of the sound list; the last item,
// and a typed text that names none, play the coin.
constexpr std::array<uint8_t, 8> SoundCodes = {0, 6, 11, 14, 19, 21, 25, 27};
constexpr uint8_t SoundCoin = 29;

} // namespace

void TForm1::SetupCardCodePage()
{
    OnShow(ui->TabSheetCardCode, [this] { TabSheetCardCodeShow(); });
    OnClick(ui->ButtonSetConfig, [this] { ButtonSetConfigClick(); });
    OnClick(ui->ButtonPlaySound, [this] { ButtonPlaySoundClick(); });
    OnClick(ui->CheckBoxEnable, [this] { CheckBoxEnableClick(); });
}

uint8_t TForm1::ComposeConfigBits() const
{
    uint8_t bits = 0;
    if (FEnterSet)
        bits |= RFID_CFG_ENTER;
    if (Checked(ui->RadioButtonUpercase))
        bits |= RFID_CFG_UPPERCASE;
    if (Checked(ui->CheckBoxLeaveAfterKey))
        bits |= RFID_CFG_LEAVE_AFTER_KEY;
    if (Checked(ui->CheckBoxSound))
        bits |= RFID_CFG_SOUND;
    if (Checked(ui->CheckBoxManager))
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
    SetFlat(ui->SpeedButtonEnter, !FEnterSet); // flat while Enter is off, raised while it is on
}

int TForm1::RadioGroupASCIIItemIndex() const
{
    if (Checked(ui->RadioGroupASCIIHexadecimal))
        return 0;
    if (Checked(ui->RadioGroupASCIIDecimal))
        return 1;
    return -1;
}

void TForm1::SetRadioGroupASCIIItemIndex(int index)
{
    SetChecked(index == 0 ? ui->RadioGroupASCIIHexadecimal : ui->RadioGroupASCIIDecimal, true);
}

bool TForm1::ShowCardCodeConfig(const TErrorReport &report)
{
    if (!RFID_GetConfigBits(&ConfigBits)) {
        report(u"RFID_GetConfigBits"_s);
        return false;
    }
    const auto bits = static_cast<uint8_t>(ConfigBits);
    SetEnterSet(bits & RFID_CFG_ENTER);
    ShowEnterButton();
    SetChecked(bits & RFID_CFG_UPPERCASE ? ui->RadioButtonUpercase : ui->RadioButtonLowercase, true);
    SetChecked(ui->CheckBoxLeaveAfterKey, bits & RFID_CFG_LEAVE_AFTER_KEY);
    SetChecked(ui->CheckBoxSound, bits & RFID_CFG_SOUND);
    SetChecked(ui->CheckBoxManager, bits & RFID_CFG_MANAGER);
    SetRadioGroupASCIIItemIndex(bits & RFID_CFG_DECIMAL ? 1 : 0);

    uint8_t enable = 0;
    if (!RFID_GetEnable(&enable)) {
        report(u"RFID_GetEnable"_s);
        return false;
    }
    SettingEnable = true; // this change is not written back
    SetChecked(ui->CheckBoxEnable, enable != 0);
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
        ReportLastError(u"RFID_SetConfigBits"_s);
    if (!RFID_SetEnable(Checked(ui->CheckBoxEnable) ? 1 : 0))
        ReportLastError(u"RFID_SetEnable"_s);
}

void TForm1::CheckBoxEnableClick()
{
    if (SettingEnable)
        return;
    if (!RFID_SetEnable(Checked(ui->CheckBoxEnable) ? 1 : 0))
        ReportLastError(u"RFID_SetEnable"_s);
}

int TForm1::ComboBoxSoundItemIndex() const
{
    // A typed text selects the item it names, if any.
    return IndexOf(ui->ComboBoxSound, Text(ui->ComboBoxSound));
}

uint8_t TForm1::SoundCode(int itemIndex)
{
    return itemIndex >= 0 && itemIndex < static_cast<int>(SoundCodes.size()) ? SoundCodes[static_cast<size_t>(itemIndex)]
                                                                              : SoundCoin;
}

void TForm1::ButtonPlaySoundClick()
{
    if (!RFID_PlaySound(SoundCode(ComboBoxSoundItemIndex())))
        ReportLastError(u"RFID_PlaySound"_s);
}

void TForm1::SpeedButtonEnterClick()
{
    SetEnterSet(!FEnterSet);
    ShowEnterButton();
    ButtonSetConfigClick();
}
