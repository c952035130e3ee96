// The commands of `readersim ctl`, as `readersim run` carries them out.
#pragma once

#include <string>

namespace readersim {

class ReaderFirmware;
class VirtualBus;

// One command line: "plug", "unplug", "plug-mouse", "unplug-mouse",
// "tap HEX", "remove" or "status". Returns "ok ..." (status: followed by
// one "key: value" line each and the stored settings) or "error: ...".
// Drives the bus: call it from one thread at a time.
std::string runControlCommand(const std::string &line, VirtualBus &bus, ReaderFirmware &firmware);

} // namespace readersim
