// Command-line options of `readersim run`.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace readersim {

// Bad usage: reported on stderr with exit status 2.
struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

struct RunOptions {
    std::optional<std::string> product; // --product, or from --firmware
    std::optional<std::string> manufacturer;
    std::optional<uint32_t> factoryId;
    std::optional<std::array<uint8_t, 3>> productionDate; // raw year - 2000, month, day
    std::optional<std::vector<uint8_t>> card;
    std::optional<std::string> stateFile;
    int failNext = 0;
    std::optional<size_t> featureLength;
    std::optional<uint8_t> codeLength;
    bool reader = true;
    bool inputNode = true; // the reader's keyboard input device
    bool mouse = false;
    bool help = false;
    std::vector<std::string> command; // after "--"
};

// `args` are the words after "run". Throws UsageError.
RunOptions parseRunOptions(const std::vector<std::string> &args);

// Options of `readersim ctl plug`: a reader of its own (a factory number or
// a production date give a new reader with the factory settings) and the
// faults it has.
struct PlugOptions {
    std::optional<uint32_t> factoryId;
    std::optional<std::array<uint8_t, 3>> productionDate; // raw year - 2000, month, day
    int failNext = 0;
    bool failWrites = false; // commands that store a setting are refused
    bool loseWrites = false; // ... answered, but nothing is stored
    bool newReader() const { return factoryId || productionDate; }
    bool any() const { return newReader() || failNext || failWrites || loseWrites; }
};

// `args` are the words after "plug". Throws UsageError.
PlugOptions parsePlugOptions(const std::vector<std::string> &args);

// Bytes from hex digits, e.g. "12AB00". Throws UsageError naming `what`.
std::vector<uint8_t> parseHex(const std::string &what, const std::string &text);

extern const char *const RunUsage;

} // namespace readersim
