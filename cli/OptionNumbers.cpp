#include "OptionNumbers.h"

#include <cmath>
#include <cstdlib>

namespace korvelctl {

std::optional<long> ParseCount(const std::string &text)
{
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos || text.size() > 9)
        return std::nullopt;
    return std::stol(text);
}

std::optional<double> ParseSeconds(const std::string &text)
{
    if (text.empty() || text.find_first_not_of("0123456789.") != std::string::npos ||
        text.find('.') != text.rfind('.') || text == ".")
        return std::nullopt;
    const double seconds = std::strtod(text.c_str(), nullptr);
    if (!std::isfinite(seconds) || seconds > MaxOptionSeconds)
        return std::nullopt;
    return seconds;
}

} // namespace korvelctl
