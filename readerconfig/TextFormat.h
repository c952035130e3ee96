// How bytes and characters are written out for people and programs: bytes
// as hexadecimal digits, and text with its control characters escaped.
// Every hexadecimal number and every escape that korvelctl, the card
// listener's users and the tool print comes from here.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace readerconfig {

// Two upper-case digits per byte, `separator` between bytes: "12AB00", or
// "40 00 04" with " ".
std::string HexBytes(std::span<const uint8_t> bytes, std::string_view separator = {});

// One byte as C writes it: "0x0A".
std::string HexByte(uint8_t value);

enum class Escapes {
    Terminal, // control characters as \xNN
    Json,     // control characters as \u00NN; also " and \, and \n, \r, \t in their short forms
};

// The text as UTF-8 with every control character (C0, DEL and C1) escaped,
// so that what a reader or a file holds can neither move a terminal's
// cursor nor break a JSON string.
std::string EscapeControls(std::u32string_view text, Escapes style);

} // namespace readerconfig
