// Keyboard reports as text: the modifier names and the key names of the
// configuration tool's key list, joined by ", " ("Left Shift, Keyboard a"),
// or "none" for an empty report.
#pragma once

#include "korvel.h"

#include <optional>
#include <string>

namespace readerconfig {

// The eight modifier bits, bit 0 first ("Right GUI" ... "Left Control").
extern const char *const ModifierNames[8];

std::string ReportToText(const TKeybHIDReport &report);
// "8 hexadecimal bytes" ("40 00 04 00 00 00 00 00").
std::string ReportToHex(const TKeybHIDReport &report);

// Parses either form. Names match without regard to case; a key may also
// be given as a usage code ("0x04"); at most six keys. On failure, `error`
// says what was wrong.
struct ReportValue {
    TKeybHIDReport report; // Reserved 0 unless given
    bool reservedGiven;    // the hexadecimal form gave all eight bytes, Reserved among them
};
std::optional<ReportValue> ParseReportValue(const std::string &text, std::string &error);
// The same with the Reserved byte from `reserved` unless the text gives it.
std::optional<TKeybHIDReport> ParseReport(const std::string &text, uint8_t reserved, std::string &error);

} // namespace readerconfig
