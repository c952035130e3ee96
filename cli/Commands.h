// The commands of korvelctl, with their arguments parsed and checked. Each
// returns the program's exit status.
#pragma once

#include "korvel.h"

#include <string>
#include <vector>

namespace korvelctl {

int CommandInfo(bool json);
int CommandGet(bool json, const std::vector<std::string> &names);
int CommandSet(const std::string &name, const std::string &value);

// The .rfc files (ConfigCommands.cpp).
int CommandSave(const std::string &fileName);
// Writes the file into the reader, then, with `verify`, reads every
// setting back and compares.
int CommandLoad(const std::string &fileName, bool verify);
// Each setting where the reader differs from the file; ExitDiffers when one does.
int CommandDiff(bool json, const std::string &fileName);

// The raw channel (RawCommands.cpp).
int CommandRawSend(const std::string &hex);
// Prints each input report as it arrives; stops after `count` reports (0:
// never) or `seconds` without one (0: never).
int CommandRawListen(bool json, long count, double seconds);

// "2024-03-15", as info and provision print it.
std::string ProductionDate(const TDeviceData &data);

} // namespace korvelctl
