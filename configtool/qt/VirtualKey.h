// The Windows virtual-key code a key press would carry, from the toolkit's
// key code: the analyzer logs card codes in those terms on every platform.
#pragma once

#include <cstdint>

// `keypad`: the key is on the numeric keypad. 0 for keys without a code.
uint16_t VirtualKeyCode(int qtKey, bool keypad);
