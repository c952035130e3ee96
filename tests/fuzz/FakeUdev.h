// A libudev of the harness's own: devices are plain records whose sysname,
// attributes, properties and parents the harness sets. FakeUdev.cpp
// implements the libudev calls the device path code makes on them.
#pragma once

#include <libudev.h>

#include <map>
#include <optional>
#include <string>

struct udev_device {
    std::optional<std::string> sysname; // nullopt: udev gives no name
    std::map<std::string, std::string> attributes;
    std::map<std::string, std::string> properties;
    // Parents: the USB interface, the USB device, the hid device.
    udev_device *usbInterface = nullptr;
    udev_device *usbDevice = nullptr;
    udev_device *hidDevice = nullptr;
};
