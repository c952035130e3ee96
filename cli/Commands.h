// The commands of korvelctl. Each returns the program's exit status.
#pragma once

#include <string>
#include <vector>

namespace korvelctl {

struct Options {
    bool json = false;
};

int CommandInfo(const Options &options);
int CommandGet(const Options &options, const std::vector<std::string> &names);
int CommandSet(const std::string &name, const std::string &value);
int CommandSave(const std::string &fileName);
int CommandLoad(const std::string &fileName);
int CommandRawSend(const std::string &hex);
// Prints each input report as it arrives; stops after `count` reports (0:
// never) or `seconds` without one (0: never).
int CommandRawListen(const Options &options, long count, double seconds);

} // namespace korvelctl
