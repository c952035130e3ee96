// Exit statuses of korvelctl, and the messages that go with them.
#pragma once

#include <string>

namespace korvelctl {

enum ExitStatus {
    ExitOk = 0,
    ExitCallFailed = 1, // the reader is there but a call to it failed
    ExitBadArguments = 2,
    ExitNoReader = 3,
    ExitFileError = 4,   // a file cannot be read or written, or is no configuration file
    ExitUnsupported = 5, // a setting named is not answered by the reader's firmware
    ExitDiffers = 6,     // diff: the reader holds another configuration than the file
};

int NoReader();                                    // "no reader attached"
int CallFailed(const std::string &function);       // with the system's error text
int BadArguments(const std::string &message);      // "...; see korvelctl --help"
int FileError(const std::string &message);         // the message as it stands

} // namespace korvelctl
