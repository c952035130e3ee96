// `readersim exec`: runs a command against a `readersim run` that is
// already running, from any terminal, as if `readersim run` had started it.
#pragma once

#include <string>
#include <vector>

namespace readersim {

// `args` are the words after "exec": [--socket PATH] [--] COMMAND [ARGS...].
// Asks the run for its testbed's environment and replaces this process with
// COMMAND (returns only on failure: 3 when no run answers, 127 when COMMAND
// cannot be started). Throws UsageError.
int runExec(const std::vector<std::string> &args);

extern const char *const ExecUsage;

} // namespace readersim
