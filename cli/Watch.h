// korvelctl watch: card codes from the reader's own keyboard device, for
// scripts and programs that do not have the keyboard focus.
#pragma once

#include <string>
#include <vector>

namespace korvelctl {

struct WatchOptions {
    bool json = false;
    bool grab = false;
    bool follow = false;
    long count = 0;      // cards, 0: no limit
    double seconds = 0;  // without a card, 0: no limit
    double gap = 0;      // seconds of quiet that end a card, 0: the decoder's default
    std::vector<std::string> command; // run per card, split at blanks
};

int CommandWatch(const WatchOptions &options);

} // namespace korvelctl
