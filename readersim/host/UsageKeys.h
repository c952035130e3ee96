// The key code (KEY_*) the kernel's HID input driver reports for each usage
// of a boot keyboard (Keyboard/Keypad page 0x00..0x65 and the modifiers
// 0xE0..0xE7), as the umockdev bus's evdev node reports them. The bus's own
// table, written from the kernel's codes and checked against what hid-input
// reports in the kernel lane; deliberately not the card listener's, so that
// a wrong entry there fails a test.
#pragma once

#include <cstdint>

namespace readersim {

// 0 for the usages without a key (0x00..0x03) and outside the boot range.
uint16_t KernelKeyOfUsage(uint8_t usage);

} // namespace readersim
