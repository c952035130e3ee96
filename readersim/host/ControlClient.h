// `readersim ctl`: sends one command to a running `readersim run`; the
// same way to the run serves `readersim exec`.
#pragma once

#include <optional>
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

// The socket of the run to drive: `given` (--socket), else
// $READERSIM_CONTROL, else the only live one of this user. nullopt when none
// is running; throws UsageError when several are.
std::optional<std::string> chooseControlSocket(const std::optional<std::string> &given);

// Sends one command line to the run at `path`: its answer, or nullopt when
// nothing answers there.
std::optional<std::string> askRun(const std::string &path, const std::string &command);

} // namespace readersim
