// The commands of korvelctl. Each returns the program's exit status.
#pragma once

#include <string>
#include <vector>

namespace korvelctl {

enum ExitStatus {
    ExitOk = 0,
    ExitCallFailed = 1, // the reader is there but a call failed
    ExitBadArguments = 2,
    ExitNoReader = 3,
};

int commandInfo();
int commandGet(const std::vector<std::string> &names);
int commandSet(const std::string &name, const std::string &value);

} // namespace korvelctl
