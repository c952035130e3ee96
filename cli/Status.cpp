#include "Status.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace korvelctl {

int NoReader()
{
    std::fprintf(stderr, "korvelctl: no reader attached\n");
    return ExitNoReader;
}

int CallFailed(const std::string &function)
{
    const int error = errno;
    std::fprintf(stderr, "korvelctl: %s failed: %s\n", function.c_str(), std::strerror(error));
    return ExitCallFailed;
}

int BadArguments(const std::string &message)
{
    std::fprintf(stderr, "korvelctl: %s (see korvelctl --help)\n", message.c_str());
    return ExitBadArguments;
}

int FileError(const std::string &message)
{
    std::fprintf(stderr, "korvelctl: %s\n", message.c_str());
    return ExitFileError;
}

} // namespace korvelctl
