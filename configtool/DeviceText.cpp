#include "DeviceText.h"

#include "DebugOutput.h"

#include <QLocale>

#include <cmath>

double ProductVersion(const QString &product)
{
    const qsizetype at = product.indexOf(QStringLiteral("Ver:"));
    if (at < 0)
        return 0;
    const QString text = product.mid(at + 5, 3);
    QString number = text.trimmed();
    number.replace(QLatin1Char(','), QLatin1Char('.'));
    bool ok = false;
    const double version = QLocale::c().toDouble(number, &ok);
    if (!ok || !std::isfinite(version))
        throw EConvertError(("'" + text + "' is not a valid floating point value").toStdString());
    return version;
}

QDate ProductionDate(int32_t year, int32_t month, int32_t day)
{
    const int y = static_cast<uint16_t>(year);
    const QDate date(y, static_cast<uint16_t>(month), static_cast<uint16_t>(day));
    if (y >= 1 && y <= 9999 && date.isValid()) // the years a date of the reader can have
        return date;
    OutputDebugString(QStringLiteral("%1 %2 %3").arg(year).arg(month).arg(day));
    return QDate(1899, 12, 30);
}

QString ProductionDateText(const QDate &date)
{
    return QLocale::system().toString(date, QStringLiteral("dd.MMMM yyyy"));
}
