// TForm1: the Prefix / Sufix and Device Mode pages.
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

// The reader's text, up to the first NUL of the 256-byte buffer; false when
// the call failed.
using TTextGetter = int32_t(KORVEL_CALL *)(char *);
bool ReadText(TTextGetter get, QString &text)
{
    char buffer[256] = {};
    if (!get(buffer))
        return false;
    text = QString::fromLocal8Bit(buffer, static_cast<qsizetype>(strnlen(buffer, sizeof buffer)));
    return true;
}

} // namespace

void TForm1::SetupSettingsPages()
{
    for (QLineEdit *edit : {ui->EditPrefix, ui->EditSufix})
        edit->setValidator(new TUpperCaseValidator(edit));
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
    const QByteArray prefix = ui->EditPrefix->text().toLocal8Bit();
    RFID_SetPrefix(prefix.constData(), static_cast<int32_t>(prefix.size()));
    const QByteArray sufix = ui->EditSufix->text().toLocal8Bit();
    RFID_SetSufix(sufix.constData(), static_cast<int32_t>(sufix.size()));
    TabSheetPreSufShow();
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
