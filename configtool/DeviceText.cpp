#include "DeviceText.h"

#include "DebugOutput.h"

#include <charconv>
#include <cmath>
#include <string>

using namespace mardune::literals;

namespace {

bool Blank(char32_t c)
{
    return c == U' ' || c == U'\t' || c == U'\r' || c == U'\n' || c == U'\v' || c == U'\f' || c == 0xA0;
}

bool LeapYear(int year)
{
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

// The years a date of the reader can have, on the Gregorian calendar.
bool ValidDate(int year, int month, int day)
{
    constexpr int Days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1)
        return false;
    return day <= Days[month - 1] + (month == 2 && LeapYear(year) ? 1 : 0);
}

TString Padded(int value, int digits)
{
    TString text = IntToStr(value);
    while (static_cast<int>(text.size()) < digits)
        text = u"0"_s + text;
    return text;
}

} // namespace

double ProductVersion(const TString &product)
{
    const std::u32string text = ToUcs4(product);
    const size_t at = text.find(U"Ver:");
    if (at == std::u32string::npos)
        return 0;
    const std::u32string part = at + 5 < text.size() ? text.substr(at + 5, 3) : std::u32string();
    // Blanks around it go; '.' or ',' separates, whatever the locale.
    size_t first = 0, last = part.size();
    while (first < last && Blank(part[first]))
        ++first;
    while (last > first && Blank(part[last - 1]))
        --last;
    std::string number;
    bool ascii = true;
    for (size_t i = first; i < last; ++i) {
        const char32_t c = part[i] == U',' ? U'.' : part[i];
        ascii = ascii && c < 0x80;
        number += static_cast<char>(c);
    }
    if (!number.empty() && number[0] == '+')
        number.erase(0, 1);
    double version = 0;
    const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), version);
    if (!ascii || number.empty() || error != std::errc() || end != number.data() + number.size() ||
        !std::isfinite(version))
        throw EConvertError("'" + ToUtf8(FromUcs4(part)) + "' is not a valid floating point value");
    return version;
}

TDate ProductionDate(int32_t year, int32_t month, int32_t day)
{
    const int y = static_cast<uint16_t>(year), m = static_cast<uint16_t>(month), d = static_cast<uint16_t>(day);
    if (ValidDate(y, m, d))
        return EncodeDate(y, m, d);
    DebugOutput(IntToStr(year) + u" "_s + IntToStr(month) + u" "_s + IntToStr(day));
    return EncodeDate(1899, 12, 30);
}

TString ProductionDateText(const TDate &date)
{
    return Padded(DayOf(date), 2) + u"."_s + LongMonthName(MonthOf(date)) + u" "_s + Padded(YearOf(date), 4);
}
