#include "EarlyMonitors.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <stdexcept>
#include <system_error>

namespace readersim {
namespace {

constexpr const char *StagingVariable = "READERSIM_EARLY_UMOCKDEV_DIR";

std::once_flag taken;
std::string staging; // written once, under `taken`

void removeStaging()
{
    std::error_code error;
    std::filesystem::remove_all(staging, error);
}

void takeStaging()
{
    std::call_once(taken, [] {
        if (const char *dir = std::getenv(StagingVariable)) {
            staging = dir;
            ::unsetenv(StagingVariable);
            std::atexit(removeStaging);
        }
    });
}

} // namespace

void stageEarlyMonitors()
{
    if (std::getenv("UMOCKDEV_DIR"))
        return; // monitors already bind into a testbed
    const char *tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/readersim-monitors.XXXXXX";
    if (!::mkdtemp(pattern.data()))
        throw std::runtime_error("cannot create " + pattern + ": " + std::strerror(errno));
    ::setenv("UMOCKDEV_DIR", pattern.c_str(), 1);
    ::setenv(StagingVariable, pattern.c_str(), 1);
}

void adoptEarlyMonitors(const std::string &root)
{
    namespace fs = std::filesystem;
    takeStaging();
    if (staging.empty())
        return;
    std::error_code error;
    for (const auto &entry : fs::directory_iterator(staging, error)) {
        const std::string name = entry.path().filename();
        if (name.rfind("event", 0) == 0 && entry.is_socket(error))
            fs::create_symlink(entry.path(), fs::path(root) / name, error);
    }
}

const std::string &earlyMonitorDirectory()
{
    takeStaging();
    return staging;
}

} // namespace readersim
