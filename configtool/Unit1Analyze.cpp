// TForm1: the Analyze page, a log of the keys a card types and of the card
// codes read directly.
#include "Unit1.h"
#include "ui_Unit1.h"

#include "FirmwareRules.h"
#include "TextFormat.h"

#include <algorithm>

void TForm1::SetupAnalyzePage()
{
    ui->EditCardCodeInput->installEventFilter(this); // key-downs: eventFilter
    connect(ui->Read, &QPushButton::clicked, this, &TForm1::ReadClick);
    connect(ui->ButtonClear, &QPushButton::clicked, this, &TForm1::ButtonClearClick);
}

void TForm1::EditCardCodeInputKeyDown(uint16_t key)
{
    ui->MemoDecode->appendPlainText(QString::number(f) + QStringLiteral(": Virtual Key Code: 0x") +
                                    QStringLiteral("%1").arg(key, 4, 16, QLatin1Char('0')).toUpper() +
                                    QStringLiteral(" Chr(X)=") + QChar(key));
    ++f;
}

void TForm1::ReadClick()
{
    int32_t length = 0;
    uint8_t code[RFID_CARD_CODE_SIZE] = {};
    if (!RFID_GetCardCode(&length, code)) {
        if (!readerconfig::AnswersCardCode(DevData.Version))
            ui->MemoDecode->appendPlainText(QStringLiteral("Command not supported!"));
        return;
    }
    const size_t shown = static_cast<size_t>(std::clamp<int32_t>(length, 0, RFID_CARD_CODE_SIZE));
    const QString text = QString::fromStdString(readerconfig::HexBytes({code, shown}));
    ++cnt;
    ui->MemoDecode->appendPlainText(QString::number(cnt) + QStringLiteral("->") + text);
}

void TForm1::ButtonClearClick()
{
    ui->MemoDecode->clear();
    ui->EditCardCodeInput->clear();
    f = 0;
    cnt = 0;
    ui->EditCardCodeInput->setFocus();
}
