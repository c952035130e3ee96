// The tool's text in the Qt binding: QString, and the few operations the
// pages use on it. The Win32 binding has the same names over std::wstring.
#pragma once

#include <QDate>
#include <QList>
#include <QString>

#include <cstdint>
#include <string>
#include <string_view>

using TString = QString;
using TStringList = QList<QString>;
using TDate = QDate;

namespace mardune::literals {
// u"text"_s: a QString from a literal.
using namespace Qt::Literals::StringLiterals;
} // namespace mardune::literals

TString IntToStr(int64_t value);
// Upper-case hexadecimal digits, at least `digits` of them.
TString IntToHex(uint32_t value, int digits);
// The one character whose code is `code`.
TString Chr(uint16_t code);
bool Contains(const TString &text, const TString &part); // case-sensitive
bool IsEmpty(const TString &text);
// Without the blanks and line breaks at either end.
TString Trim(const TString &text);

TString FromUtf8(std::string_view text);
std::string ToUtf8(const TString &text);
// 8-bit text in the system's code page (the library's strings).
TString FromSystem8Bit(const char *text);
std::u32string ToUcs4(const TString &text);
TString FromUcs4(const std::u32string &text);
// A file name as readerconfig opens it (the system's bytes for it), and a
// message of readerconfig's that may name a file.
std::string FileSystemName(const TString &fileName);
TString FromFileSystemText(const std::string &text);
// A file (no folder) of that name exists.
bool FileExists(const TString &fileName);
// The name with its folder, as the current folder gives it.
TString AbsolutePath(const TString &fileName);

// A date of the proleptic Gregorian calendar (year 1 to 9999, valid).
TDate EncodeDate(int year, int month, int day);
int YearOf(const TDate &date);
int MonthOf(const TDate &date);
int DayOf(const TDate &date);
// The month's full name in the user's language, as a date writes it.
TString LongMonthName(int month);
