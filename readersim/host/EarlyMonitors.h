// udev monitors that a process creates before its bus exists.
//
// The umockdev preload turns a monitor into a socket "$UMOCKDEV_DIR/eventN"
// when the monitor is created; with no UMOCKDEV_DIR yet it stays a real
// netlink socket and never hears of the bus. A library loaded with the
// program creates its monitor before main() builds the testbed (whose
// directory only exists then). So the preload re-execution gives the new
// process a staging UMOCKDEV_DIR for such monitors, and each bus links
// their sockets into its testbed, where umockdev sends its uevents.
#pragma once

#include <string>

namespace readersim {

// Before re-executing under the preload: points UMOCKDEV_DIR at a fresh
// staging directory. Throws std::runtime_error.
void stageEarlyMonitors();

// Once the testbed at `root` exists: links the early monitors' sockets into
// it. The first call takes the staging directory out of the environment
// (children do not share it) and removes it at exit.
void adoptEarlyMonitors(const std::string &root);

// The staging directory, or "" (for recognising uevents to early monitors).
const std::string &earlyMonitorDirectory();

} // namespace readersim
