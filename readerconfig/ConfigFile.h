// The configuration file (.rfc): the configuration byte and the three
// keyboard reports as an INI file of four sections and 25 keys. Plain C++.
#pragma once

#include "korvel.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

struct TKeyboardConfig {
    TKeybHIDReport Before{};
    int32_t ConfByte = 0;
    TKeybHIDReport After{};
    TKeybHIDReport Remove{};

    bool operator==(const TKeyboardConfig &other) const;
};

// Every value that is missing or no integer reads as 0; report fields take
// the low 8 bits, ConfByte all 32.
TKeyboardConfig ReadConfigFile(const std::string &fileName);

// A configuration file's text, as it is read before it goes into a reader:
// nullopt when it holds none of the four sections, so that a file that is
// no configuration never writes zeros into a reader. Within a configuration
// every missing or malformed value reads as 0, as above.
std::optional<TKeyboardConfig> ParseConfigText(std::string_view text);
// The same for a file: nullopt, with `error` saying why in a sentence that
// names the file, when it cannot be read, is no regular file, is larger than
// MaxIniFileSize or is no configuration.
std::optional<TKeyboardConfig> ReadConfigFileChecked(const std::string &fileName, std::string &error);
// Writes the 25 keys in table order (Before, CardCode, After, Remove).
// Throws std::runtime_error "Unable to write to <file name>" at the first key
// that cannot be written; the keys before it stay in the file.
void WriteConfigFile(const std::string &fileName, const TKeyboardConfig &config);
