// Where the kernel put a gadget's device on the host side: dummy_udc.N
// pairs with the host controller dummy_hcd.N, under which the device, its
// interfaces, their hid devices and hidraw nodes, and a keyboard's input
// device and event node appear as for any USB device.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace readersim {

struct KernelDevice {
    std::string usbPath;                  // /sys/devices/platform/dummy_hcd.N/usbB/B-1
    std::vector<std::string> hidrawNodes; // per interface, /dev/hidrawM ("": none, see below)
    std::string eventNode;                // interface 0's /dev/input/eventK, for a keyboard

    // Waits (at most 90 s, polling) until the device of `udc` has a hidraw
    // node for each of its `interfaces` (and interface 0 an event node when
    // it is a `keyboard`), and udev, when it runs and `udev` is set, has
    // handled them. Without `udev`, for a device that is only there to be
    // enumerated, an interface past the kernel's 64 hidraw nodes counts once
    // it has its input device. Throws std::runtime_error at the deadline.
    static KernelDevice waitForPlug(const std::string &udc, size_t interfaces, bool keyboard, bool udev = true);
    // Waits (at most 90 s) until the kernel has removed the device.
    static void waitForUnplug(const KernelDevice &device);
};

} // namespace readersim
