// Word of readers coming and going, for a program that waits for the next
// one: a udev monitor of hidraw devices wakes it, and the library's own
// search for the reader (RFID_OpenDevice) tells whether one is there.
#pragma once

#include "Udev.h"

#include <chrono>
#include <optional>

namespace korvelctl {

class ReaderMonitor {
public:
    using Clock = std::chrono::steady_clock;
    enum class Wake {
        Changed,  // a hidraw device came or went
        TimedOut, // the deadline passed
        Stopped,  // the stop descriptor became readable
    };

    // Listens from now on, so that nothing that happens after a look at the
    // reader is missed. Without udev it still works, by looking again every second.
    ReaderMonitor();

    static bool ReaderPresent();

    // Waits for a change, the deadline (nullopt: none) or `stopFd`. Also
    // wakes after a second without news, as Changed: the library sees a
    // device only once its node can be opened, which can come after its
    // uevent.
    Wake wait(std::optional<Clock::time_point> deadline, int stopFd);

private:
    korvel::os::linux_udev::Udev udev_;
    korvel::os::linux_udev::UdevMonitor monitor_;
};

} // namespace korvelctl
