// korvelctl provision: one configuration file into reader after reader, as
// they are plugged in at a desk.
#pragma once

#include <string>

namespace korvelctl {

struct ProvisionOptions {
    std::string fileName;
    bool json = false;
    long count = 0;     // readers, 0: no limit
    double seconds = 0; // without a new reader, 0: no limit
};

int CommandProvision(const ProvisionOptions &options);

} // namespace korvelctl
