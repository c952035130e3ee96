#include "ControlPath.h"

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace readersim {
namespace {

constexpr std::string_view Prefix = "readersim-";
constexpr std::string_view Suffix = ".sock";

std::string runtimeDirectory()
{
    const char *dir = std::getenv("XDG_RUNTIME_DIR");
    return dir && *dir ? dir : "/tmp";
}

// The process ID in "readersim-<pid>.sock", or 0.
pid_t ownerOf(const std::string &name)
{
    if (name.size() <= Prefix.size() + Suffix.size() || name.rfind(Prefix, 0) != 0 ||
        name.compare(name.size() - Suffix.size(), Suffix.size(), Suffix) != 0)
        return 0;
    const std::string digits = name.substr(Prefix.size(), name.size() - Prefix.size() - Suffix.size());
    if (digits.find_first_not_of("0123456789") != std::string::npos || digits.size() > 9)
        return 0;
    return static_cast<pid_t>(std::stol(digits));
}

bool alive(pid_t pid)
{
    return ::kill(pid, 0) == 0 || errno == EPERM;
}

} // namespace

std::string controlSocketPath(pid_t pid)
{
    return runtimeDirectory() + "/" + std::string(Prefix) + std::to_string(pid) + std::string(Suffix);
}

std::vector<std::string> runningControlSockets()
{
    namespace fs = std::filesystem;
    std::vector<std::string> found;
    std::error_code error;
    for (const auto &entry : fs::directory_iterator(runtimeDirectory(), error)) {
        struct stat info {};
        const std::string path = entry.path();
        const pid_t owner = ownerOf(entry.path().filename());
        if (owner > 0 && ::lstat(path.c_str(), &info) == 0 && S_ISSOCK(info.st_mode) && info.st_uid == ::getuid() &&
            alive(owner))
            found.push_back(path);
    }
    return found;
}

} // namespace readersim
