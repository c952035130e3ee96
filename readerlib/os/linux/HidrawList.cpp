#include "HidrawList.h"

#include "ErrnoGuard.h"

#include <cerrno>
#include <cstring>
#include <string>

namespace korvel::os {
namespace {

using namespace linux_udev;

constexpr size_t MaxStringBytes = 255; // identity strings, as on Windows

// The node's name and its hid parent's vendor from a hidraw syspath
// ".../0003:1209:0001.0004/hidraw/hidraw2"; no vendor when the parent's
// name is not of that form.
std::string sysnameOf(const std::string &syspath)
{
    return syspath.substr(syspath.rfind('/') + 1);
}

std::optional<uint16_t> hidVendorOf(const std::string &syspath)
{
    const std::string tail = "/hidraw/" + sysnameOf(syspath);
    if (syspath.size() <= tail.size() || syspath.compare(syspath.size() - tail.size(), tail.size(), tail) != 0)
        return std::nullopt;
    const std::string parents = syspath.substr(0, syspath.size() - tail.size());
    const std::string hidName = parents.substr(parents.rfind('/') + 1);
    static constexpr char Form[] = "XXXX:XXXX:XXXX.XXXX"; // X: an upper-case hexadecimal digit
    if (hidName.size() != sizeof Form - 1)
        return std::nullopt;
    for (size_t i = 0; i < hidName.size(); ++i) {
        const char c = hidName[i];
        const bool hex = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
        if (Form[i] == 'X' ? !hex : c != Form[i])
            return std::nullopt;
    }
    return static_cast<uint16_t>(std::stoul(hidName.substr(5, 4), nullptr, 16));
}

} // namespace

udev *HidrawList::contextLocked()
{
    if (!udev_) // made on first use, once the process's environment (a test bed, say) is in place
        udev_.reset(udev_new());
    return udev_.get();
}

bool HidrawList::currentLocked()
{
    if (mark_ && changes_.unchangedSince(*mark_))
        return true;
    mark_.reset();
    nodes_.clear();
    return false;
}

bool HidrawList::current()
{
    std::lock_guard guard(lock_);
    return currentLocked();
}

void HidrawList::forget()
{
    std::lock_guard guard(lock_);
    mark_.reset();
    nodes_.clear();
}

bool HidrawList::refreshLocked()
{
    if (currentLocked())
        return true;
    udev *context = contextLocked();
    if (!context)
        return false;
    const std::optional<uint64_t> mark = changes_.mark(); // before the scan: a change during it counts
    UdevEnumerate enumerate(udev_enumerate_new(context));
    if (!enumerate || udev_enumerate_add_match_subsystem(enumerate.get(), "hidraw") < 0 ||
        udev_enumerate_scan_devices(enumerate.get()) < 0)
        return false;
    std::vector<Node> nodes;
    udev_list_entry *entry;
    udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(enumerate.get()))
    {
        const char *syspath = udev_list_entry_get_name(entry);
        if (!syspath)
            continue;
        nodes.push_back({syspath, nullptr, sysnameOf(syspath), hidVendorOf(syspath), std::nullopt, std::nullopt});
    }
    nodes_ = std::move(nodes);
    mark_ = mark;
    return true;
}

udev_device *HidrawList::deviceOfLocked(Node &node)
{
    if (!node.device)
        node.device.reset(udev_device_new_from_syspath(contextLocked(), node.syspath.c_str()));
    return node.device.get();
}

const std::optional<HidrawInterface> &HidrawList::describedLocked(Node &node)
{
    if (!node.described) {
        udev_device *device = deviceOfLocked(node);
        // Gone since the scan, or unreadable: passed over.
        node.described = device ? describeHidraw(device) : std::nullopt;
    }
    return *node.described;
}

bool HidrawList::paths(std::optional<uint16_t> vendorId, std::vector<std::string> &out)
{
    ErrnoGuard keep;
    out.clear();
    std::lock_guard guard(lock_);
    if (!refreshLocked())
        return false;
    for (Node &node : nodes_) {
        // The hid parent's name carries the vendor of its HID_ID, for a USB
        // device the USB vendor ID that the path shows: a node of another
        // vendor can never match.
        if (vendorId && node.hidVendor && *node.hidVendor != *vendorId)
            continue;
        if (const auto &hid = describedLocked(node))
            out.push_back(devicePathOf(*hid));
    }
    return true;
}

udev_device *HidrawList::deviceLocked(const std::string &sysname, UdevDevice &fresh, Node **kept)
{
    if (currentLocked())
        for (Node &node : nodes_)
            if (node.sysname == sysname) {
                if (kept)
                    *kept = &node;
                return deviceOfLocked(node);
            }
    udev *context = contextLocked();
    if (context)
        fresh.reset(udev_device_new_from_subsystem_sysname(context, "hidraw", sysname.c_str()));
    return fresh.get();
}

std::string HidrawList::devnode(const std::string &sysname)
{
    ErrnoGuard keep;
    std::lock_guard guard(lock_);
    UdevDevice fresh;
    udev_device *device = deviceLocked(sysname, fresh);
    const char *node = device ? udev_device_get_devnode(device) : nullptr;
    return node ? node : "/dev/" + sysname;
}

std::optional<std::string> HidrawList::instanceId(const std::string &sysname)
{
    ErrnoGuard keep;
    std::lock_guard guard(lock_);
    UdevDevice fresh;
    Node *kept = nullptr;
    udev_device *device = deviceLocked(sysname, fresh, &kept);
    if (!device)
        return std::nullopt;
    if (!kept)
        return deviceInstanceOf(device);
    if (!kept->instance)
        kept->instance = deviceInstanceOf(device);
    return *kept->instance;
}

bool HidrawList::usbString(const std::string &sysname, const char *name, std::string &text)
{
    const char *value = nullptr;
    {
        ErrnoGuard keep;
        std::lock_guard guard(lock_);
        UdevDevice fresh;
        udev_device *device = deviceLocked(sysname, fresh);
        udev_device *usb = device ? udev_device_get_parent_with_subsystem_devtype(device, "usb", "usb_device") : nullptr;
        value = usb ? udev_device_get_sysattr_value(usb, name) : nullptr;
        if (value)
            text.assign(value, strnlen(value, MaxStringBytes));
    }
    if (!value) {
        errno = ENOENT;
        return false;
    }
    return true;
}

} // namespace korvel::os
