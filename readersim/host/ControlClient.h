// `readersim ctl`: sends one command to a running `readersim run`.
#pragma once

#include <string>
#include <vector>

namespace readersim {

// Exit statuses besides 0 (ok) and 2 (bad usage).
inline constexpr int CtlRefused = 1;   // the run answered "error: ..."
inline constexpr int CtlNoReader = 3;  // no virtual reader is running

// `args` are the words after "ctl". Prints the answer; returns the exit
// status. Throws UsageError.
int runCtl(const std::vector<std::string> &args);

extern const char *const CtlUsage;

} // namespace readersim
