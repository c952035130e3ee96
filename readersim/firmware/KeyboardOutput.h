// What the reader types when a card is tapped or taken away, as the boot
// keyboard reports it sends on interface 0 (US layout). The reader types
// only in normal mode with keyboard output enabled, in this order:
//   1. the Before report (its modifiers and keys pressed together);
//   2. six 'E' characters when "Manager program compatible" is set;
//   3. the prefix;
//   4. the card code: each code byte as two hexadecimal digits, in upper or
//      lower case by the case bit, or, with the decimal bit, the code bytes
//      read as one big-endian unsigned number written in decimal
//      (12 AB 00 gives 1223424);
//   5. the suffix;
//   6. Enter when the Enter bit is set;
//   7. the After report.
// Every press is followed by a report with nothing pressed, except that the
// After report stays held when "Leave after key set until card code is
// removed" is set; it is let go when the card leaves, before the Remove
// report is typed.
#pragma once

#include "ReaderSettings.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace readersim {

// A boot keyboard report: modifier bits in the HID order (bit 0 Left
// Control ... bit 7 Right GUI) and up to six usage codes.
struct BootReport {
    uint8_t modifiers = 0;
    std::array<uint8_t, 6> keys{};
    bool operator==(const BootReport &) const = default;
    bool empty() const { return *this == BootReport{}; }
};

// The reader stores modifier bits in the reverse of the HID order.
uint8_t BootModifiers(uint8_t readerModifier);

std::vector<BootReport> TypeCard(const ReaderSettings &settings, const std::vector<uint8_t> &code);
std::vector<BootReport> TypeRemoval(const ReaderSettings &settings);

// The card code as the reader types it.
std::string CodeText(const ReaderSettings &settings, const std::vector<uint8_t> &code);
std::string DecimalOf(const std::vector<uint8_t> &bigEndian);

// The usage code and shift state that type `c` on a US keyboard.
struct KeyForChar {
    uint8_t usage;
    bool shift;
};
std::optional<KeyForChar> KeyFor(char c);

// A readable account of a report sequence for the reader's log: printable
// characters as they are, other reports in braces ("{LCtrl+0x04}"),
// "<Enter>", releases left out.
std::string Describe(const std::vector<BootReport> &reports);

} // namespace readersim
