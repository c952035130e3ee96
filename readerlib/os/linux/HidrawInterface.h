// What the library needs to know of one hidraw node, read from sysfs, and
// the Windows-style device path it is presented under so that the
// discovery logic above the OS layer reads it at its fixed positions:
//   \\?\hid#vid_VVVV&pid_PPPP[&mi_NN]#hidrawN#{4d1e55b2-f16f-11cf-88cb-001111000030}
// "&mi_NN" appears for devices with more than one interface, as on Windows.
#pragma once

#include "Udev.h"

#include <cstdint>
#include <optional>
#include <string>

namespace korvel::os {

struct HidrawInterface {
    std::string sysname;         // "hidraw3"
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    std::string interfaceNumber; // two hexadecimal digits, "00" when unknown
    bool composite = false;      // the USB device has several interfaces
};

// Nullopt when the node is not a hidraw device or its IDs cannot be read.
// Vendor, product and interface come from the USB interface, with the USB
// device and then the hid device's HID_ID as fallbacks (non-USB buses).
std::optional<HidrawInterface> describeHidraw(udev_device *hidraw);

std::string devicePathOf(const HidrawInterface &hid);

// The device instance identifier of the device that owns a hidraw node, in
// the form the Windows registry holds: "USB\VID_1209&PID_0001&MI_01\1-1:1.1"
// (MI_ only for devices with several interfaces; "HID\..." off USB).
std::optional<std::string> deviceInstanceOf(udev_device *hidraw);
// The hidraw node name a device path names; nullopt when it names none.
std::optional<std::string> hidrawNameOfPath(const std::string &path);

} // namespace korvel::os
