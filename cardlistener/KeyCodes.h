// Keys as the Linux input layer reports a USB keyboard: the HID usage of a
// key turned into its key code the way the kernel's HID input driver does,
// and the character a key types on a US layout.
#pragma once

#include <cstdint>
#include <optional>

namespace cardlistener {

// The Linux key code (KEY_*) for a usage of the Keyboard/Keypad page, 0 for
// the usages the kernel reports no key for (0x00-0x03 and the reserved ones).
uint16_t KeyCodeOfUsage(uint8_t usage);

// The bit of a modifier key in the boot keyboard's modifier byte (bit 0 Left
// Control ... bit 7 Right GUI); 0 for other keys.
uint8_t ModifierBitOfKey(uint16_t keyCode);

// The character a key types on a US layout with or without Shift: letters,
// digits, punctuation, space, Tab ('\t') and Enter ('\n', also the keypad's).
std::optional<char> CharacterOfKey(uint16_t keyCode, bool shift);

} // namespace cardlistener
