// Every setting of the reader by name, with how to read and write it.
#pragma once

#include "Output.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace korvelctl {

struct Setting {
    const char *name;
    const char *values; // what `set` accepts, for the help text
    const char *help;
    // Reads the value; nullopt when a call failed (errno tells why, and
    // `function` names the call).
    std::function<std::optional<Field>(std::string &function)> read;
    // Writes the value: ExitOk, ExitCallFailed or ExitBadArguments. Empty
    // for read-only settings.
    std::function<int(const std::string &value)> write;
    // What is wrong with a value for `write`, before the reader is touched;
    // empty when it is fine.
    std::function<std::string(const std::string &value)> check;
    // The firmware version from which the reader answers it.
    double minVersion = 0;
};

const std::vector<Setting> &Settings();
const Setting *FindSetting(const std::string &name);

} // namespace korvelctl
