// How the header shows the reader's identity: the version number written
// after "Ver:" in the product text, and the production date.
#pragma once

#include "Text.h"

#include <cstdint>
#include <stdexcept>

// A text that is not the number it should be.
class EConvertError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// 0 when the text holds no "Ver:"; otherwise the up to three characters
// after "Ver:" and the one character that follows it, read as a decimal
// number with '.' or ',' as separator whatever the locale. Throws
// EConvertError when they are no number.
double ProductVersion(const TString &product);

// The date of the three values, each taken as 16 bits. When they form no
// date: 30 December 1899, and the line "year month day" of the 32-bit values
// goes to the debugger output.
TDate ProductionDate(int32_t year, int32_t month, int32_t day);

// "dd.MMMM yyyy" with the month's full name in the user's language.
TString ProductionDateText(const TDate &date);
