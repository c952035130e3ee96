// The commands of `readersim ctl`, as `readersim run` carries them out.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace readersim {

class ReaderFirmware;
class VirtualBus;

// The code of a card to tap: hex digits, at most MaxCodeBytes bytes.
// Throws UsageError.
std::vector<uint8_t> parseCardCode(const std::string &text);

// One command line: "plug [OPTIONS]" (see parsePlugOptions), "unplug",
// "plug-mouse", "unplug-mouse", "tap HEX", "remove", "status", "events" or
// "env". Plug with options only while the reader is unplugged. Returns "ok ..." or
// "error: ..."; status follows "ok" with one "key: value" line each and the
// stored settings, events with the reader's event log, one line per event,
// env with `testbedEnvironment` (the variables a command needs to join the
// bus). A card can be tapped or removed only while the reader is plugged,
// and its code holds at most MaxCodeBytes bytes.
// Drives the bus: call it from one thread at a time.
std::string runControlCommand(const std::string &line, VirtualBus &bus, ReaderFirmware &firmware,
                              const std::string &testbedEnvironment = {});

} // namespace readersim
