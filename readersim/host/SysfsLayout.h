// The sysfs entries of a USB HID device as the Linux kernel lays them out
// (usb_device, usb_interface, hid device, hidraw node), written in
// umockdev's record format for umockdev_testbed_add_from_string.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace readersim {

struct HidInterfaceModel {
    uint8_t subclass = 0; // 1: boot interface
    uint8_t protocol = 0; // boot protocol: 1 keyboard, 2 mouse
    uint8_t endpoints = 1;
    std::vector<uint8_t> reportDescriptor;
};

struct UsbDeviceModel {
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    uint16_t bcdDevice = 0x0100;
    std::string manufacturer; // empty: the device has no such string
    std::string product;
    std::vector<HidInterfaceModel> interfaces;
};

// Where the device sits on bus 1 and the numbers the kernel gave it.
struct BusPlacement {
    int port = 1; // sysfs name 1-<port>
    int devnum = 2;
    std::vector<int> hidSequence; // per interface: the .NNNN of the hid device
    std::vector<int> hidrawMinor; // per interface
    std::vector<bool> createNode; // per interface: false when /dev/hidrawN is made elsewhere
};

// What the hidraw ioctls of one node report.
struct HidrawIdentity {
    std::string devnode; // /dev/hidrawN
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    std::string name; // HID_NAME
    std::string phys; // HID_PHYS
    std::string uniq; // HID_UNIQ
    std::vector<uint8_t> reportDescriptor;
};

struct DeviceLayout {
    std::string records;               // parents first
    std::vector<std::string> syspaths; // /sys/devices/..., parents first
    std::vector<HidrawIdentity> nodes; // per interface
};

DeviceLayout layoutUsbDevice(const UsbDeviceModel &device, const BusPlacement &placement);

// The order in which the kernel removes a USB device's entries, given them
// parents first (the device, then each interface with what lies under it):
// interface by interface in order, under each its input device (event node
// first), then its hidraw node, its hid device and the interface itself; the
// USB device last.
std::vector<std::string> kernelRemovalOrder(const std::vector<std::string> &syspaths);

// The PCI host controller and root hub of bus 1, present for the bus's life.
std::string hostControllerRecords();

// The kernel's HID_NAME: "manufacturer product", or "HID vvvv:pppp" when both are empty.
std::string hidName(const std::string &manufacturer, const std::string &product, uint16_t vendorId,
                    uint16_t productId);

} // namespace readersim
