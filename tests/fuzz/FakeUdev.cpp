#include "FakeUdev.h"

#include <cstring>

namespace {

const char *valueOf(const std::map<std::string, std::string> &values, const char *name)
{
    const auto found = name ? values.find(name) : values.end();
    return found == values.end() ? nullptr : found->second.c_str();
}

bool same(const char *a, const char *b)
{
    return a && b ? std::strcmp(a, b) == 0 : a == b;
}

} // namespace

extern "C" {

const char *udev_device_get_sysname(udev_device *device)
{
    return device && device->sysname ? device->sysname->c_str() : nullptr;
}

const char *udev_device_get_sysattr_value(udev_device *device, const char *name)
{
    return device ? valueOf(device->attributes, name) : nullptr;
}

const char *udev_device_get_property_value(udev_device *device, const char *name)
{
    return device ? valueOf(device->properties, name) : nullptr;
}

udev_device *udev_device_get_parent_with_subsystem_devtype(udev_device *device, const char *subsystem,
                                                           const char *devtype)
{
    if (!device)
        return nullptr;
    if (same(subsystem, "usb") && same(devtype, "usb_interface"))
        return device->usbInterface;
    if (same(subsystem, "usb") && same(devtype, "usb_device"))
        return device->usbDevice;
    if (same(subsystem, "hid") && !devtype)
        return device->hidDevice;
    return nullptr;
}

// The records belong to the harness: references change nothing.
udev_device *udev_device_ref(udev_device *device)
{
    return device;
}

udev_device *udev_device_unref(udev_device *)
{
    return nullptr;
}

udev_device *udev_device_new_from_subsystem_sysname(udev *, const char *, const char *)
{
    return nullptr;
}

} // extern "C"
