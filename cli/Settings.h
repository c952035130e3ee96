// Every setting of the reader by name: how to read it, the one parse of a
// value for it and the write that follows, and how a .rfc configuration
// holds it.
#pragma once

#include "ConfigFile.h"
#include "Output.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace korvelctl {

// A value parsed and checked, waiting for the reader: ExitOk or ExitCallFailed.
using Write = std::function<int()>;

struct Setting {
    const char *name;
    const char *values; // what `set` accepts, for the help text and the completion
    const char *help;
    // Reads the value; nullopt when a call failed (errno tells why, and
    // `function` names the call).
    std::function<std::optional<Field>(std::string &function)> read;
    // Parses a value for `set` before the reader is touched: the write that
    // stores it, or nullopt with `error` saying what is wrong. Empty for
    // read-only settings.
    std::function<std::optional<Write>(const std::string &value, std::string &error)> parse{};
    // The value a .rfc configuration holds, in the words `read` uses; empty
    // for the settings a file does not hold.
    std::function<Field(const TKeyboardConfig &config)> inConfig{};
    // The firmware version from which the reader answers it.
    double minVersion = 0;
};

const std::vector<Setting> &Settings();
const Setting *FindSetting(const std::string &name);

} // namespace korvelctl
