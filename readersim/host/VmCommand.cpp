#include "VmCommand.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace readersim {

int runVm(const std::vector<std::string> &args)
{
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::path program = fs::read_symlink("/proc/self/exe", error);
    const fs::path beside = program.parent_path() / "readersim-vm";
    const fs::path installed = program.parent_path() / READERSIM_INSTALLED_LIBRARY_DIR / "readersim-vm";
    const bool inBuildTree = fs::exists(beside, error);
    const fs::path script = inBuildTree ? beside : installed;
    // The unpacked kernel is kept in the build tree; an installed readersim
    // keeps it in the user's cache folder (the script's default).
    if (inBuildTree && !std::getenv("READERSIM_VM_CACHE"))
        ::setenv("READERSIM_VM_CACHE", READERSIM_VM_BUILD_CACHE, 1);
    ::setenv("READERSIM", program.c_str(), 1);
    std::vector<char *> argv = {const_cast<char *>(script.c_str())};
    for (const std::string &arg : args)
        argv.push_back(const_cast<char *>(arg.c_str()));
    argv.push_back(nullptr);
    ::execv(script.c_str(), argv.data());
    std::fprintf(stderr, "readersim vm: cannot run %s: %s\n", script.c_str(), std::strerror(errno));
    return 125;
}

} // namespace readersim
