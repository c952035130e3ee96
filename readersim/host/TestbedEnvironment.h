// What a command needs in its environment to run against the testbed of a
// `readersim run`: the testbed directory, the preloads from its start, and
// the control socket. `readersim run` gives it to the command it hosts and
// hands it out over the control socket ("env") to `readersim exec`, so a
// second terminal's commands see the same bus.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace readersim {

struct TestbedEnvironment {
    std::string umockdevDir; // UMOCKDEV_DIR; empty on the kernel's bus
    std::string preload;     // the testbed's part of LD_PRELOAD, ':'-separated; empty there too
    std::string control;     // READERSIM_CONTROL

    // "NAME=VALUE" lines, and back; nullopt when a variable is missing or
    // a line is not of that form.
    std::string toLines() const;
    static std::optional<TestbedEnvironment> fromLines(const std::string &text);

    // `environment` ("NAME=VALUE" entries) with these variables set;
    // LD_PRELOAD keeps the entries it had after the testbed's own. Without
    // a testbed only READERSIM_CONTROL is set.
    std::vector<std::string> applyTo(const std::vector<std::string> &environment) const;
};

// The testbed's preloads for commands: the umockdev preload and readersim's
// monitor-socket library (see preload/MonitorSockets.cpp) when it is found
// beside this program or where it is installed; a warning on stderr when not.
std::string commandPreload();

// This process's environment as "NAME=VALUE" entries.
std::vector<std::string> currentEnvironment();

} // namespace readersim
