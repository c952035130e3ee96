// The bits of the configuration byte by their meaning: the RFID_CFG_...
// mask, a short name and the words for its two states.
#pragma once

#include "korvel.h"

#include <array>
#include <cstdint>

namespace readerconfig {

struct TConfigBitMeaning {
    const char *name;   // "enter", "case", ...
    uint8_t mask;       // RFID_CFG_...
    const char *set;    // the word for the set state ("on", "upper", ...)
    const char *clear;  // the word for the clear state
    const char *values; // both, as "set|clear"
    const char *help;   // what the bit does
};

extern const std::array<TConfigBitMeaning, 6> ConfigBitMeanings;

} // namespace readerconfig
