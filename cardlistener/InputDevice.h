// The input device (/dev/input/eventN) of the reader's keyboard interface:
// the event node under the same USB interface as the hidraw node of
// interface 0 that the library talks to, and word of its coming and going.
#pragma once

#include "Udev.h"

#include <optional>
#include <string>

namespace cardlistener {

struct InputDeviceInfo {
    std::string devnode;   // /dev/input/eventN
    std::string syspath;   // of the event device
    std::string hidraw;    // the reader's hidraw node beside it
    bool operator==(const InputDeviceInfo &) const = default;
};

// The reader's keyboard event device now (vendor and product as the library
// looks for, interface 0); nullopt when no reader or it has no input device.
std::optional<InputDeviceInfo> FindReaderInputDevice();

// A udev monitor of input devices. Its descriptor becomes readable when one
// comes or goes.
class InputDeviceMonitor {
public:
    InputDeviceMonitor(); // a monitor that fails to start is !valid(); callers rescan
    bool valid() const { return monitor_ != nullptr; }
    int fd() const;
    // Reads what is queued; true when `syspath` was among the removed.
    struct Changes {
        bool removed = false; // of the device watched
        bool added = false;   // any event device
    };
    Changes drain(const std::string &syspath);

private:
    korvel::os::linux_udev::Udev udev_;
    korvel::os::linux_udev::UdevMonitor monitor_;
};

} // namespace cardlistener
