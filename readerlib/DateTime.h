// Date values as the reader's interface counts them: days since
// 30 December 1899 as a 64-bit float, the fraction being the time of day.
#pragma once

namespace korvel {

struct CalendarDate {
    int year;
    int month;
    int day;
};

bool isValidDate(int year, int month, int day);
// The value of a valid Gregorian date (no fraction).
double encodeDate(int year, int month, int day);
// The Gregorian date of a value; the time of day is ignored. Values that are
// not finite or lie outside years 1..9999 give 30 December 1899.
CalendarDate decodeDate(double value);

} // namespace korvel
