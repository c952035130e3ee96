// Text forms of the reader's values for the command line.
#pragma once

#include "korvel.h"

#include <cstdint>
#include <optional>
#include <string>

namespace korvelctl {

// "00 00 04 00 00 00 00 00": Modifier, Reserved, Key1..Key6.
std::string formatReport(const TKeybHIDReport &report);
// Eight hexadecimal bytes separated by blanks (or as one 16-digit run).
std::optional<TKeybHIDReport> parseReport(const std::string &text);

std::string hexBytes(const uint8_t *bytes, size_t count); // "12AB00"
// A number in decimal, or hexadecimal after "0x"; nullopt unless the whole
// text is one and it lies in [min, max].
std::optional<long> parseNumber(const std::string &text, long min, long max);

} // namespace korvelctl
