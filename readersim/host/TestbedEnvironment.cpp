#include "TestbedEnvironment.h"

#include "ControlPath.h"
#include "VirtualBus.h"

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <set>
#include <sstream>
#include <system_error>

extern char **environ;

namespace readersim {
namespace {

constexpr const char *MonitorLibrary = "libreadersim-monitors.so";

std::vector<std::string> splitPreload(const std::string &list)
{
    std::vector<std::string> entries;
    std::string entry;
    std::istringstream in(list);
    while (std::getline(in, entry, ':'))
        if (!entry.empty())
            entries.push_back(entry);
    return entries;
}

} // namespace

std::string TestbedEnvironment::toLines() const
{
    return "UMOCKDEV_DIR=" + umockdevDir + "\nLD_PRELOAD=" + preload + "\n" + ControlVariable + "=" + control + "\n";
}

std::optional<TestbedEnvironment> TestbedEnvironment::fromLines(const std::string &text)
{
    TestbedEnvironment env;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        const size_t equals = line.find('=');
        if (equals == std::string::npos)
            return std::nullopt;
        const std::string name = line.substr(0, equals), value = line.substr(equals + 1);
        if (name == "UMOCKDEV_DIR")
            env.umockdevDir = value;
        else if (name == "LD_PRELOAD")
            env.preload = value;
        else if (name == ControlVariable)
            env.control = value;
    }
    // On the kernel's bus there is no testbed: both are empty.
    if (env.control.empty() || env.umockdevDir.empty() != env.preload.empty())
        return std::nullopt;
    return env;
}

std::vector<std::string> TestbedEnvironment::applyTo(const std::vector<std::string> &environment) const
{
    if (umockdevDir.empty()) { // the kernel's bus: only the control socket
        std::vector<std::string> out;
        for (const std::string &entry : environment)
            if (entry.rfind(std::string(ControlVariable) + "=", 0) != 0)
                out.push_back(entry);
        out.push_back(std::string(ControlVariable) + "=" + control);
        return out;
    }
    std::vector<std::string> preloads = splitPreload(preload);
    const std::set<std::string> ours(preloads.begin(), preloads.end());
    std::vector<std::string> out;
    for (const std::string &entry : environment) {
        if (entry.rfind("LD_PRELOAD=", 0) == 0) {
            for (const std::string &other : splitPreload(entry.substr(11)))
                if (!ours.count(other))
                    preloads.push_back(other);
        } else if (entry.rfind("UMOCKDEV_DIR=", 0) != 0 && entry.rfind(std::string(ControlVariable) + "=", 0) != 0) {
            out.push_back(entry);
        }
    }
    std::string joined;
    for (const std::string &entry : preloads)
        joined += (joined.empty() ? "" : ":") + entry;
    out.push_back("UMOCKDEV_DIR=" + umockdevDir);
    out.push_back("LD_PRELOAD=" + joined);
    out.push_back(std::string(ControlVariable) + "=" + control);
    return out;
}

std::string commandPreload()
{
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::path programDir = fs::read_symlink("/proc/self/exe", error).parent_path();
    // Beside the program in the build tree, or where it is installed.
    for (const fs::path &candidate : {programDir / MonitorLibrary,
                                      programDir / READERSIM_INSTALLED_LIBRARY_DIR / MonitorLibrary}) {
        if (!fs::exists(candidate, error))
            continue;
        const std::string path = fs::canonical(candidate, error).string();
        if (path.find_first_of(": ") == std::string::npos) // LD_PRELOAD's separators
            return std::string(UmockdevPreload) + ":" + path;
        std::fprintf(stderr, "readersim: cannot preload %s: a colon or blank in its path\n", path.c_str());
        return UmockdevPreload;
    }
    std::fprintf(stderr, "readersim: %s not found: two commands with udev monitors may steal each other's "
                         "uevents\n", MonitorLibrary);
    return UmockdevPreload;
}

std::vector<std::string> currentEnvironment()
{
    std::vector<std::string> out;
    for (char **entry = environ; *entry; ++entry)
        out.push_back(*entry);
    return out;
}

} // namespace readersim
