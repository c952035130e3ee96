// Counts open descriptors by what they refer to, across all processes.
#pragma once

#include <string>

namespace readersim {

// Descriptors of all processes (that this one may inspect) whose target is
// `path`, e.g. the PTY behind an emulated device node.
int openDescriptors(const std::string &path);

} // namespace readersim
