// The reader's settings kept in a file across runs of readersim.
#pragma once

#include "ReaderFirmware.h"

#include <optional>
#include <string>

namespace readersim {

// nullopt when `path` does not exist. Throws std::runtime_error when it
// exists but cannot be read.
std::optional<ReaderSettings> loadSettings(const std::string &path);

// Replaces `path` atomically: a temporary file next to it, then rename(),
// so that a reader of the file sees the old or the new settings, never a
// part. Throws std::runtime_error.
void saveSettings(const std::string &path, const ReaderSettings &settings);

} // namespace readersim
