#include "InputDevice.h"

#include "HidrawInterface.h"
#include "ReaderIds.h"

#include <cstring>

namespace cardlistener {
namespace {

using namespace korvel::os::linux_udev;

bool isEventNode(udev_device *device)
{
    const char *name = udev_device_get_sysname(device);
    return name && std::strncmp(name, "event", 5) == 0 && udev_device_get_devnode(device);
}

std::string syspathOf(udev_device *device)
{
    const char *path = device ? udev_device_get_syspath(device) : nullptr;
    return path ? path : "";
}

std::string interfaceOf(udev_device *device)
{
    return syspathOf(udev_device_get_parent_with_subsystem_devtype(device, "usb", "usb_interface"));
}

// Visits each device of a subsystem until `visit` returns true.
template <typename Visit>
void forEachDevice(udev *context, const char *subsystem, Visit visit)
{
    UdevEnumerate enumerate(udev_enumerate_new(context));
    if (!enumerate || udev_enumerate_add_match_subsystem(enumerate.get(), subsystem) < 0 ||
        udev_enumerate_scan_devices(enumerate.get()) < 0)
        return;
    udev_list_entry *entry;
    udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(enumerate.get()))
    {
        UdevDevice device(udev_device_new_from_syspath(context, udev_list_entry_get_name(entry)));
        if (device && visit(device.get()))
            return;
    }
}

} // namespace

std::optional<InputDeviceInfo> FindReaderInputDevice()
{
    Udev context(udev_new());
    if (!context)
        return std::nullopt;
    // The hidraw node of the reader's configuration interface, as the library picks it.
    std::string interface, hidraw;
    forEachDevice(context.get(), "hidraw", [&](udev_device *device) {
        const auto hid = korvel::os::describeHidraw(device);
        if (!hid || hid->vendorId != korvel::ReaderVendorId || hid->productId != korvel::ReaderProductId ||
            hid->interfaceNumber != korvel::InterfaceDigits(korvel::ConfigInterface))
            return false;
        interface = interfaceOf(device);
        const char *node = udev_device_get_devnode(device);
        hidraw = node ? node : "";
        return !interface.empty();
    });
    if (interface.empty())
        return std::nullopt;
    std::optional<InputDeviceInfo> found;
    forEachDevice(context.get(), "input", [&](udev_device *device) {
        if (!isEventNode(device) || interfaceOf(device) != interface)
            return false;
        found = InputDeviceInfo{udev_device_get_devnode(device), syspathOf(device), hidraw};
        return true;
    });
    return found;
}

InputDeviceMonitor::InputDeviceMonitor() : udev_(udev_new())
{
    if (!udev_)
        return;
    monitor_.reset(udev_monitor_new_from_netlink(udev_.get(), "udev"));
    if (monitor_ && (udev_monitor_filter_add_match_subsystem_devtype(monitor_.get(), "input", nullptr) < 0 ||
                     udev_monitor_enable_receiving(monitor_.get()) < 0))
        monitor_.reset();
}

int InputDeviceMonitor::fd() const
{
    return monitor_ ? udev_monitor_get_fd(monitor_.get()) : -1;
}

InputDeviceMonitor::Changes InputDeviceMonitor::drain(const std::string &syspath)
{
    Changes changes;
    if (!monitor_)
        return changes;
    while (UdevDevice device{udev_monitor_receive_device(monitor_.get())}) {
        const char *action = udev_device_get_action(device.get());
        if (!action)
            continue;
        if (std::strcmp(action, "remove") == 0 && syspathOf(device.get()) == syspath)
            changes.removed = true;
        if (std::strcmp(action, "add") == 0 && isEventNode(device.get()))
            changes.added = true;
    }
    return changes;
}

} // namespace cardlistener
