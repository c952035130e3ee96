// Bytes as text, for the firmware's event log and its settings text.
#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <string>

namespace readersim {

// "0x2b"
inline std::string HexByte(uint8_t value)
{
    char text[5];
    std::snprintf(text, sizeof text, "0x%02x", value);
    return text;
}

// "00 0a ff": the bytes as space-separated hexadecimal pairs.
template <size_t N>
std::string HexList(const std::array<uint8_t, N> &bytes)
{
    std::string out;
    for (uint8_t b : bytes) {
        char text[4];
        std::snprintf(text, sizeof text, out.empty() ? "%02x" : " %02x", b);
        out += text;
    }
    return out;
}

} // namespace readersim
