// The reader's keyboard configuration as a whole, the part a .rfc file
// holds: the configuration byte and the three keyboard reports.
#pragma once

#include "ConfigFile.h"

#include <optional>
#include <string>

namespace korvelctl {

// Nullopt when a call failed: `function` names it, errno tells why.
std::optional<TKeyboardConfig> ReadReaderConfig(std::string &function);

// Writes the configuration byte and the three reports, stopping at the
// first call that fails: false with `function` naming it.
bool WriteReaderConfig(const TKeyboardConfig &config, std::string &function);

} // namespace korvelctl
