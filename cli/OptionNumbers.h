// Numbers as korvelctl's options take them (--count, --timeout): digits
// only (a decimal point and fraction for seconds), finite, within a sane
// range, so that "nan", "inf", signs and exponents are refused.
#pragma once

#include <optional>
#include <string>

namespace korvelctl {

// A day: longer is surely a typing error (0 waits without a limit).
inline constexpr double MaxOptionSeconds = 86400;

// 0 to 999999999.
std::optional<long> ParseCount(const std::string &text);
// 0 to MaxOptionSeconds.
std::optional<double> ParseSeconds(const std::string &text);

} // namespace korvelctl
