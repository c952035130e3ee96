// What the kernel's HID input driver makes of the reader's boot keyboard
// reports at the input layer: per report that changes anything, the
// modifier keys that changed (Left Control first), the keys let go, the keys
// newly pressed, each after its MSC_SCAN, then SYN_REPORT. Usages the kernel has no key for are left out.
// The input core repeats the last key pressed while it is held (see EvdevNode).
#pragma once

#include "KeyboardOutput.h"

#include <linux/input.h>

#include <vector>

namespace readersim {

class EvdevReports {
public:
    // The events of one report, stamped `time`; empty when nothing changed.
    std::vector<input_event> frame(const BootReport &report, timeval time);
    // Everything let go (the device went).
    void reset()
    {
        held_ = {};
        repeating_ = 0;
    }
    // The key the input core repeats now (KEY_*), 0 for none: the last one
    // pressed, while it stays down.
    uint16_t repeating() const { return repeating_; }

private:
    BootReport held_;
    uint16_t repeating_ = 0;
};

} // namespace readersim
