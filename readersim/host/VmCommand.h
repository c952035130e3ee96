// readersim vm: hands its words to the readersim-vm script (beside this
// program in the build tree, or where readersim's libraries are installed),
// which boots the QEMU guest with the reader on the kernel's USB stack and
// runs a command there. Returns only when the script cannot be started
// (status 125); otherwise the script's exit status is this process's.
#pragma once

#include <string>
#include <vector>

namespace readersim {

int runVm(const std::vector<std::string> &args);

} // namespace readersim
