// Reader settings as the tests write them: the configuration byte, prefix
// and suffix as text (cut to the reader's 6 characters) and the three
// keyboard reports.
#pragma once

#include "ReaderSettings.h"

#include <algorithm>
#include <cstdint>
#include <string>

namespace korvel::testing {

inline readersim::ReaderSettings SettingsOf(uint8_t confByte, const std::string &prefix = "",
                                            const std::string &sufix = "", readersim::KeyboardReport before = {},
                                            readersim::KeyboardReport after = {}, readersim::KeyboardReport remove = {})
{
    readersim::ReaderSettings s;
    s.confByte = confByte;
    std::copy_n(prefix.begin(), std::min(prefix.size(), s.prefix.size()), s.prefix.begin());
    std::copy_n(sufix.begin(), std::min(sufix.size(), s.sufix.size()), s.sufix.begin());
    s.before = before;
    s.after = after;
    s.remove = remove;
    return s;
}

} // namespace korvel::testing
