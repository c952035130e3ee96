// TForm1: the Prefix / Sufix and Device Mode pages.
#include "ReaderText.h"
#include "ReportLastError.h"
#include "Unit1.h"
#include "ui_Unit1.h"

#include <cstring>
#include <string>

using namespace mardune::literals;

namespace {

// The reader's text, up to the first NUL of the 256-byte buffer, from its
// code page; false when the call failed.
using TTextGetter = int32_t(KORVEL_CALL *)(char *);
bool ReadText(TTextGetter get, TString &text)
{
    char buffer[256] = {};
    if (!get(buffer))
        return false;
    text = FromUcs4(readerconfig::Cp1252ToUnicode(std::string_view(buffer, strnlen(buffer, sizeof buffer))));
    return true;
}

// The edit's text in the reader's code page, a byte per character.
std::string ReaderBytes(const TEdit *edit)
{
    return readerconfig::UnicodeToCp1252(ToUcs4(Text(edit)));
}

} // namespace

void TForm1::SetupSettingsPages()
{
    for (TEdit *edit : {ui->EditPrefix, ui->EditSufix}) {
        SetUpperCase(edit);
        OnChange(edit, [this] { ShowPreSufNote(); });
    }
    OnShow(ui->TabSheetPreSuf, [this] { TabSheetPreSufShow(); });
    OnShow(ui->TabSheetDeviceMode, [this] { TabSheetDeviceModeShow(); });
    OnClick(ui->ButtonSetPrefixSufix, [this] { ButtonSetPrefixSufixClick(); });
    OnClick(ui->Button1, [this] { Button1Click(); });
}

void TForm1::TabSheetPreSufShow()
{
    TString text;
    if (ReadText(RFID_GetPrefix, text))
        SetText(ui->EditPrefix, text);
    else
        ReportLastError(u"RFID_GetPrefix"_s);
    if (ReadText(RFID_GetSufix, text))
        SetText(ui->EditSufix, text);
    else
        ReportLastError(u"RFID_GetSufix"_s);
}

void TForm1::ButtonSetPrefixSufixClick()
{
    // The reader keeps what fits; the read-back shows what it kept.
    const std::string prefix = ReaderBytes(ui->EditPrefix);
    RFID_SetPrefix(prefix.data(), static_cast<int32_t>(prefix.size()));
    const std::string sufix = ReaderBytes(ui->EditSufix);
    RFID_SetSufix(sufix.data(), static_cast<int32_t>(sufix.size()));
    TabSheetPreSufShow();
}

void TForm1::ShowPreSufNote()
{
    // Beside the edits: what the reader cannot keep or cannot type.
    TString notes;
    const std::pair<const char *, TEdit *> edits[] = {{"Prefix", ui->EditPrefix}, {"Sufix", ui->EditSufix}};
    for (const auto &[name, edit] : edits) {
        const std::string note = readerconfig::TypingNote(ToUcs4(Text(edit)));
        if (note.empty())
            continue;
        if (!IsEmpty(notes))
            notes += u"\n"_s;
        notes += FromUtf8(name) + u": "_s + FromUtf8(note);
    }
    SetCaption(ui->LabelPreSufNote, notes);
}

void TForm1::TabSheetDeviceModeShow()
{
    int32_t mode = 0;
    if (!RFID_GetDeviceMode(&mode)) {
        ReportLastError(u"RFID_GetDeviceMode"_s);
        return;
    }
    SetChecked(mode == 0 ? ui->RadioButtonDevModeNormal : ui->RadioButtonDevModeAdvanced, true);
}

void TForm1::Button1Click()
{
    if (!RFID_SetDeviceMode(Checked(ui->RadioButtonDevModeAdvanced) ? 1 : 0))
        ReportLastError(u"RFID_SetDeviceMode"_s);
}
