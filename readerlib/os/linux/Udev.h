// Owning handles for libudev objects.
#pragma once

#include <libudev.h>

#include <memory>
#include <string>

namespace korvel::os::linux_udev {

struct UdevUnref {
    void operator()(udev *p) const { udev_unref(p); }
    void operator()(udev_device *p) const { udev_device_unref(p); }
    void operator()(udev_enumerate *p) const { udev_enumerate_unref(p); }
    void operator()(udev_monitor *p) const { udev_monitor_unref(p); }
};

using Udev = std::unique_ptr<udev, UdevUnref>;
using UdevDevice = std::unique_ptr<udev_device, UdevUnref>;
using UdevEnumerate = std::unique_ptr<udev_enumerate, UdevUnref>;
using UdevMonitor = std::unique_ptr<udev_monitor, UdevUnref>;

// A property or attribute as text; empty when missing.
inline std::string property(udev_device *device, const char *name)
{
    const char *value = device ? udev_device_get_property_value(device, name) : nullptr;
    return value ? value : "";
}

inline std::string attribute(udev_device *device, const char *name)
{
    const char *value = device ? udev_device_get_sysattr_value(device, name) : nullptr;
    return value ? value : "";
}

} // namespace korvel::os::linux_udev
