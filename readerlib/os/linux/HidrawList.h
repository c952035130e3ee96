// The hidraw nodes present, as discovery sees them, kept between calls for
// as long as `HidrawChanges` reports no node coming or going. Each node is
// first known only by its cheap identity, the vendor of its hid parent,
// read from the parent's name in the node's sysfs path: the kernel names a
// hid device after the bus, vendor and product of its HID_ID
// ("0003:1209:0001.0004"). The rest (device path, device node, instance
// identifier, identity strings) is learnt only for the nodes a search may
// choose.
// One udev context serves the library; the list's lock serialises every
// use of it, as libudev objects are not thread-safe.
#pragma once

#include "HidrawChanges.h"
#include "HidrawInterface.h"
#include "Udev.h"

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace korvel::os {

class HidrawList {
public:
    explicit HidrawList(HidrawChanges &changes) : changes_(changes) {}

    // Device paths in enumeration order: of every node, or (with `vendorId`)
    // of those that may belong to that vendor. False when udev cannot list.
    bool paths(std::optional<uint16_t> vendorId, std::vector<std::string> &out);
    // Whether a list is kept that is still known to be current.
    bool current();
    void forget();

    // What a device path's node is, from the kept list when it is current
    // and holds the node, else looked up afresh. Errno is kept.
    std::string devnode(const std::string &sysname);
    std::optional<std::string> instanceId(const std::string &sysname);
    // A string attribute of the node's USB device; false (errno ENOENT)
    // when there is none.
    bool usbString(const std::string &sysname, const char *name, std::string &text);

private:
    struct Node {
        std::string syspath;
        linux_udev::UdevDevice device; // made on first use
        std::string sysname;
        std::optional<uint16_t> hidVendor; // nullopt: HID_ID unreadable, so a candidate for any vendor
        std::optional<std::optional<HidrawInterface>> described; // learnt on demand
        std::optional<std::optional<std::string>> instance;       // learnt on demand
    };

    bool currentLocked();
    bool refreshLocked();
    udev *contextLocked();
    udev_device *deviceOfLocked(Node &node);
    const std::optional<HidrawInterface> &describedLocked(Node &node);
    // The node's udev device: the kept one (and its node), or a fresh one
    // held in `fresh`.
    udev_device *deviceLocked(const std::string &sysname, linux_udev::UdevDevice &fresh, Node **kept = nullptr);

    HidrawChanges &changes_;
    std::mutex lock_;
    linux_udev::Udev udev_;
    std::vector<Node> nodes_;
    std::optional<uint64_t> mark_; // set while nodes_ is kept
};

} // namespace korvel::os
