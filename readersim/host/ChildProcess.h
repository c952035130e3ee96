// Runs the command that `readersim run` hosts the bus for.
#pragma once

#include <string>
#include <vector>

namespace readersim {

// Starts `command` (searched in PATH) with `environment` ("NAME=VALUE"),
// passes SIGTERM and SIGHUP on to it, waits for it and returns its exit
// status, 128 + the signal when a signal ended it, 127 when it could not
// be started.
int runChild(const std::vector<std::string> &command, const std::vector<std::string> &environment);

} // namespace readersim
