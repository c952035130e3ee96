// Where `readersim run` listens for `readersim ctl`: a Unix socket per run,
// "readersim-<pid>.sock" in $XDG_RUNTIME_DIR (or /tmp), also passed to the
// hosted command as READERSIM_CONTROL.
#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

namespace readersim {

inline constexpr const char *ControlVariable = "READERSIM_CONTROL";

// The socket path of the run with process ID `pid`.
std::string controlSocketPath(pid_t pid);

// Sockets of runs of this user whose process is still alive.
std::vector<std::string> runningControlSockets();

} // namespace readersim
