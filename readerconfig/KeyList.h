// The names of the HID keyboard usage codes a keyboard report may carry, as
// the key lists show them, and the mapping between a list position and a
// usage code. Plain C++.
#pragma once

#include <array>
#include <cstdint>

inline constexpr int KeyCount = 219;

// Entries 0-164 stand for codes 0x00-0xA4, 165-210 for 0xB0-0xDD and
// 211-218 for 0xE0-0xE7; the reserved codes have no entry.
extern const std::array<const char *, KeyCount> KeyList;

// No range checks: an index <= 164 (-1 included) maps to itself.
int32_t KeyIndexToUsage(int32_t index);
int32_t UsageToKeyIndex(int32_t code);
