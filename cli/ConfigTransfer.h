// The reader's keyboard configuration as a whole, the part a .rfc file
// holds: read from the reader, written into it part by part, and compared
// with a file setting by setting, in the names and value words of `get`.
#pragma once

#include "ConfigFile.h"
#include "Output.h"

#include <optional>
#include <string>
#include <vector>

namespace korvelctl {

// Nullopt when a call failed: `function` names it, errno tells why.
std::optional<TKeyboardConfig> ReadReaderConfig(std::string &function);

struct WriteResult {
    bool ok = true;
    std::string failedFunction;       // the call that failed
    int error = 0;                    // its errno
    std::vector<std::string> written; // parts, by setting name ("config-bits", "before", ...)
    std::vector<std::string> notWritten;
    // "RFID_SetAfterHidKeyboardReport failed: No such device (written:
    // config-bits, before; not written: after, remove)"
    std::string failure() const;
};
// Writes the configuration byte and the three reports, stopping at the
// first call that fails.
WriteResult WriteReaderConfig(const TKeyboardConfig &config);

// A setting the file and the reader hold differently.
struct Difference {
    Field file;
    Field reader;
    // "digits: file=decimal reader=hexadecimal" (values quoted when they
    // hold a blank, a quote or '=').
    std::string line() const;
};
// In the order `get` prints the settings.
std::vector<Difference> Differences(const TKeyboardConfig &file, const TKeyboardConfig &reader);

// What load and provision make of a reader.
struct LoadResult {
    std::string failure;                 // a call that failed, and what was written; empty when none did
    std::vector<Difference> differences; // what the reader does not hold as written
    bool ok() const { return failure.empty() && differences.empty(); }
};
// Writes the configuration and, with `verify`, reads it back and compares.
LoadResult LoadIntoReader(const TKeyboardConfig &config, bool verify);
// One JSON object: {"digits": {"file": "decimal", "reader": "hexadecimal"}, ...}
JsonValue DifferencesJson(const std::vector<Difference> &differences);

} // namespace korvelctl
