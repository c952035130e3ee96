// korvelctl watch: card codes from the reader's own keyboard device, for
// scripts and programs that do not have the keyboard focus.
#pragma once

#include "Commands.h"

#include <string>
#include <vector>

namespace korvelctl {

extern const char *const WatchHelp;

// `args` are the words after "watch". Returns the exit status.
int CommandWatch(const Options &options, const std::vector<std::string> &args);

} // namespace korvelctl
