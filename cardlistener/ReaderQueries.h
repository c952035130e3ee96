// What the listener asks the reader through the library's C interface.
#pragma once

#include "CardDecoder.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace cardlistener {

struct ReaderIdentity {
    std::string manufacturer;
    std::string product;
    int32_t factoryId = 0;
    double firmware = 0;
};

// Nullopt when the reader cannot be reached or a read fails.
std::optional<KeyboardConfig> ReadKeyboardConfig();
std::optional<ReaderIdentity> ReadReaderIdentity();
// The code of the card in the field, as RFID_GetCardCode gives it.
std::optional<std::vector<uint8_t>> ReadCardCode();

// The big-endian number `bytes` in decimal ("0" for none or zeros).
std::string DecimalOf(const std::vector<uint8_t> &bytes);

} // namespace cardlistener
