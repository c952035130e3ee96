// The configuration file (.rfc): the configuration byte and the three
// keyboard reports as an INI file of four sections and 25 keys. Plain C++.
#pragma once

#include "korvel.h"

#include <cstdint>
#include <string>

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
// Writes the 25 keys in table order (Before, CardCode, After, Remove).
// Throws std::runtime_error "Unable to write to <file name>" at the first key
// that cannot be written; the keys before it stay in the file.
void WriteConfigFile(const std::string &fileName, const TKeyboardConfig &config);
