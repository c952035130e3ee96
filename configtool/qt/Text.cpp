#include "Text.h"

#include <QFile>
#include <QFileInfo>
#include <QLocale>

TString IntToStr(int64_t value)
{
    return QString::number(value);
}

TString IntToHex(uint32_t value, int digits)
{
    return QStringLiteral("%1").arg(value, digits, 16, QLatin1Char('0')).toUpper();
}

TString Chr(uint16_t code)
{
    return QString(QChar(code));
}

bool Contains(const TString &text, const TString &part)
{
    return text.contains(part, Qt::CaseSensitive);
}

bool IsEmpty(const TString &text)
{
    return text.isEmpty();
}

TString Trim(const TString &text)
{
    return text.trimmed();
}

TString FromUtf8(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::string ToUtf8(const TString &text)
{
    return text.toStdString();
}

TString FromSystem8Bit(const char *text)
{
    return QString::fromLocal8Bit(text ? text : "");
}

std::u32string ToUcs4(const TString &text)
{
    const QList<uint> points = text.toUcs4();
    return {points.begin(), points.end()};
}

TString FromUcs4(const std::u32string &text)
{
    return QString::fromUcs4(text.data(), static_cast<qsizetype>(text.size()));
}

std::string FileSystemName(const TString &fileName)
{
    return QFile::encodeName(fileName).toStdString();
}

TString FromFileSystemText(const std::string &text)
{
    return QString::fromLocal8Bit(text);
}

bool FileExists(const TString &fileName)
{
    return QFileInfo(fileName).isFile(); // a folder is no file
}

TString AbsolutePath(const TString &fileName)
{
    return QFileInfo(fileName).absoluteFilePath();
}

TDate EncodeDate(int year, int month, int day)
{
    return QDate(year, month, day);
}

int YearOf(const TDate &date)
{
    return date.year();
}

int MonthOf(const TDate &date)
{
    return date.month();
}

int DayOf(const TDate &date)
{
    return date.day();
}

TString LongMonthName(int month)
{
    return QLocale::system().monthName(month, QLocale::LongFormat);
}
