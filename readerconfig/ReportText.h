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
// be given as a usage code ("0x04"); at most six keys. The Reserved byte
// comes from `reserved` unless the hexadecimal form gives all eight bytes.
// On failure, `error` says what was wrong.
std::optional<TKeybHIDReport> ParseReport(const std::string &text, uint8_t reserved, std::string &error);

} // namespace readerconfig
