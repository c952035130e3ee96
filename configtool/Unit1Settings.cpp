// TForm1: the Prefix / Sufix and Device Mode pages.
#include "ReaderText.h"
#include "ReportLastError.h"
#include "Unit1.h"
#include "ui_Unit1.h"

#include <QValidator>

#include <cstring>

namespace {

// Turns every typed letter into a capital.
class TUpperCaseValidator : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString &input, int &) const override
    {
        input = input.toUpper();
        return Acceptable;
    }
};

std::u32string Unicode(const QString &text)
{
    const QList<uint> points = text.toUcs4();
    return {points.begin(), points.end()};
}

QString FromUnicode(const std::u32string &text)
{
    return QString::fromUcs4(text.data(), static_cast<qsizetype>(text.size()));
}

// The reader's text, up to the first NUL of the 256-byte buffer, from its
// code page; false when the call failed.
using TTextGetter = int32_t(KORVEL_CALL *)(char *);
bool ReadText(TTextGetter get, QString &text)
{
    char buffer[256] = {};
    if (!get(buffer))
        return false;
    text = FromUnicode(readerconfig::Cp1252ToUnicode(std::string_view(buffer, strnlen(buffer, sizeof buffer))));
    return true;
}

// The edit's text in the reader's code page, a byte per character.
QByteArray ReaderBytes(const QLineEdit *edit)
{
    const std::string bytes = readerconfig::UnicodeToCp1252(Unicode(edit->text()));
    return QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

} // namespace

void TForm1::SetupSettingsPages()
{
    for (QLineEdit *edit : {ui->EditPrefix, ui->EditSufix})
        edit->setValidator(new TUpperCaseValidator(edit));
    for (QLineEdit *edit : {ui->EditPrefix, ui->EditSufix})
        connect(edit, &QLineEdit::textChanged, this, [this] { ShowPreSufNote(); });
    connect(ui->ButtonSetPrefixSufix, &QPushButton::clicked, this, &TForm1::ButtonSetPrefixSufixClick);
    connect(ui->Button1, &QPushButton::clicked, this, &TForm1::Button1Click);
}

void TForm1::TabSheetPreSufShow()
{
    QString text;
    if (ReadText(RFID_GetPrefix, text))
        ui->EditPrefix->setText(text);
    else
        ReportLastError(QStringLiteral("RFID_GetPrefix"));
    if (ReadText(RFID_GetSufix, text))
        ui->EditSufix->setText(text);
    else
        ReportLastError(QStringLiteral("RFID_GetSufix"));
}

void TForm1::ButtonSetPrefixSufixClick()
{
    // The reader keeps what fits; the read-back shows what it kept.
    const QByteArray prefix = ReaderBytes(ui->EditPrefix);
    RFID_SetPrefix(prefix.constData(), static_cast<int32_t>(prefix.size()));
    const QByteArray sufix = ReaderBytes(ui->EditSufix);
    RFID_SetSufix(sufix.constData(), static_cast<int32_t>(sufix.size()));
    TabSheetPreSufShow();
}

void TForm1::ShowPreSufNote()
{
    // Beside the edits: what the reader cannot keep or cannot type.
    QStringList notes;
    const std::pair<const char *, QLineEdit *> edits[] = {{"Prefix", ui->EditPrefix}, {"Sufix", ui->EditSufix}};
    for (const auto &[name, edit] : edits) {
        const std::string note = readerconfig::TypingNote(Unicode(edit->text()));
        if (!note.empty())
            notes << QString::fromLatin1(name) + QStringLiteral(": ") + QString::fromStdString(note);
    }
    ui->LabelPreSufNote->setText(notes.join(QLatin1Char('\n')));
}

void TForm1::TabSheetDeviceModeShow()
{
    int32_t mode = 0;
    if (!RFID_GetDeviceMode(&mode)) {
        ReportLastError(QStringLiteral("RFID_GetDeviceMode"));
        return;
    }
    (mode == 0 ? ui->RadioButtonDevModeNormal : ui->RadioButtonDevModeAdvanced)->setChecked(true);
}

void TForm1::Button1Click()
{
    if (!RFID_SetDeviceMode(ui->RadioButtonDevModeAdvanced->isChecked() ? 1 : 0))
        ReportLastError(QStringLiteral("RFID_SetDeviceMode"));
}
