#include "DateTime.h"

#include <cmath>

namespace korvel {
namespace {

constexpr long DaysFrom1970To1899_12_30 = -25569;

bool isLeapYear(int year)
{
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

// Days since 1970-01-01 of a proleptic Gregorian date.
long daysFromCivil(long y, unsigned m, unsigned d)
{
    y -= m <= 2;
    const long era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<long>(doe) - 719468;
}

CalendarDate civilFromDays(long z)
{
    z += 719468;
    const long era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned d = doy - (153 * mp + 2) / 5 + 1;
    const unsigned m = mp < 10 ? mp + 3 : mp - 9;
    const long y = static_cast<long>(yoe) + era * 400 + (m <= 2);
    return {static_cast<int>(y), static_cast<int>(m), static_cast<int>(d)};
}

} // namespace

bool isValidDate(int year, int month, int day)
{
    static constexpr int monthLength[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1)
        return false;
    const int length = monthLength[month - 1] + (month == 2 && isLeapYear(year) ? 1 : 0);
    return day <= length;
}

double encodeDate(int year, int month, int day)
{
    return static_cast<double>(daysFromCivil(year, static_cast<unsigned>(month),
                                             static_cast<unsigned>(day)) -
                               DaysFrom1970To1899_12_30);
}

CalendarDate decodeDate(double value)
{
    constexpr double first = -693593; // 0001-01-01
    constexpr double last = 2958465;  // 9999-12-31
    if (!std::isfinite(value) || value < first || value >= last + 1)
        value = 0;
    return civilFromDays(static_cast<long>(std::trunc(value)) + DaysFrom1970To1899_12_30);
}

} // namespace korvel
