// TForm1: the Analyze page, a log of the keys a card types and of the card
// codes read directly.
#include "Unit1.h"
#include "ui_Unit1.h"

#include "FirmwareRules.h"
#include "TextFormat.h"

#include <algorithm>

using namespace mardune::literals;

void TForm1::SetupAnalyzePage()
{
    // Every key-down in the input edit is logged; the edit still gets it.
    OnKeyDown(ui->EditCardCodeInput, [this](uint16_t key) { EditCardCodeInputKeyDown(key); });
    OnClick(ui->Read, [this] { ReadClick(); });
    OnClick(ui->ButtonClear, [this] { ButtonClearClick(); });
}

void TForm1::EditCardCodeInputKeyDown(uint16_t key)
{
    AddLine(ui->MemoDecode, IntToStr(f) + u": Virtual Key Code: 0x"_s + IntToHex(key, 4) + u" Chr(X)="_s + Chr(key));
    ++f;
}

void TForm1::ReadClick()
{
    int32_t length = 0;
    uint8_t code[RFID_CARD_CODE_SIZE] = {};
    if (!RFID_GetCardCode(&length, code)) {
        if (!readerconfig::AnswersCardCode(DevData.Version))
            AddLine(ui->MemoDecode, u"Command not supported!"_s);
        return;
    }
    const size_t shown = static_cast<size_t>(std::clamp<int32_t>(length, 0, RFID_CARD_CODE_SIZE));
    const TString text = FromUtf8(readerconfig::HexBytes({code, shown}));
    ++cnt;
    AddLine(ui->MemoDecode, IntToStr(cnt) + u"->"_s + text);
}

void TForm1::ButtonClearClick()
{
    Clear(ui->MemoDecode);
    Clear(ui->EditCardCodeInput);
    f = 0;
    cnt = 0;
    SetFocus(ui->EditCardCodeInput);
}
