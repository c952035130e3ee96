#include "OpenFiles.h"

#include <filesystem>
#include <system_error>

namespace readersim {

int openDescriptors(const std::string &path)
{
    namespace fs = std::filesystem;
    int count = 0;
    std::error_code error;
    for (const auto &process : fs::directory_iterator("/proc", error)) {
        const std::string pid = process.path().filename();
        if (pid.find_first_not_of("0123456789") != std::string::npos)
            continue;
        // Processes come and go during the scan: errors just skip them.
        for (const auto &fd : fs::directory_iterator(process.path() / "fd", error))
            if (fs::read_symlink(fd.path(), error) == path)
                ++count;
    }
    return count;
}

} // namespace readersim
