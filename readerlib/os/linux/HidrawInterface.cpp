#include "HidrawInterface.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>

namespace korvel::os {
namespace {

using namespace linux_udev;

bool parseHex(const std::string &text, unsigned long &value)
{
    if (text.empty())
        return false;
    char *end = nullptr;
    value = std::strtoul(text.c_str(), &end, 16);
    return end && *end == '\0' && value <= 0xFFFF;
}

bool isHidrawName(const std::string &name)
{
    const std::string prefix = "hidraw";
    if (name.size() <= prefix.size() || name.size() > prefix.size() + 6 ||
        name.compare(0, prefix.size(), prefix) != 0)
        return false;
    return name.find_first_not_of("0123456789", prefix.size()) == std::string::npos;
}

// "1209/1/100" (PRODUCT of a USB interface or device, hexadecimal fields)
bool idsFromProduct(const std::string &product, uint16_t &vid, uint16_t &pid)
{
    const size_t a = product.find('/');
    const size_t b = a == std::string::npos ? a : product.find('/', a + 1);
    unsigned long v, p;
    if (b == std::string::npos || !parseHex(product.substr(0, a), v) ||
        !parseHex(product.substr(a + 1, b - a - 1), p))
        return false;
    vid = static_cast<uint16_t>(v);
    pid = static_cast<uint16_t>(p);
    return true;
}

// "0003:00001209:00000001" (HID_ID of a hid device: bus, vendor, product)
bool idsFromHidId(const std::string &hidId, uint16_t &vid, uint16_t &pid)
{
    unsigned bus, v, p;
    if (std::sscanf(hidId.c_str(), "%x:%x:%x", &bus, &v, &p) != 3 || v > 0xFFFF || p > 0xFFFF)
        return false;
    vid = static_cast<uint16_t>(v);
    pid = static_cast<uint16_t>(p);
    return true;
}

} // namespace

std::optional<HidrawInterface> describeHidraw(udev_device *hidraw)
{
    const char *sysname = udev_device_get_sysname(hidraw);
    if (!sysname || !isHidrawName(sysname))
        return std::nullopt;
    HidrawInterface hid;
    hid.sysname = sysname;
    hid.interfaceNumber = "00";

    // Parents belong to the child device: they are not unreferenced here.
    udev_device *intf = udev_device_get_parent_with_subsystem_devtype(hidraw, "usb", "usb_interface");
    udev_device *usb = udev_device_get_parent_with_subsystem_devtype(hidraw, "usb", "usb_device");
    udev_device *hidDevice = udev_device_get_parent_with_subsystem_devtype(hidraw, "hid", nullptr);

    unsigned long number;
    if (parseHex(attribute(intf, "bInterfaceNumber"), number) && number <= 0xFF) {
        char text[3];
        std::snprintf(text, sizeof text, "%02lx", number);
        hid.interfaceNumber = text;
    }
    hid.composite = std::atoi(attribute(usb, "bNumInterfaces").c_str()) > 1;

    unsigned long v, p;
    if (idsFromProduct(property(intf, "PRODUCT"), hid.vendorId, hid.productId))
        return hid;
    if (parseHex(attribute(usb, "idVendor"), v) && parseHex(attribute(usb, "idProduct"), p)) {
        hid.vendorId = static_cast<uint16_t>(v);
        hid.productId = static_cast<uint16_t>(p);
        return hid;
    }
    if (idsFromHidId(property(hidDevice, "HID_ID"), hid.vendorId, hid.productId))
        return hid;
    return std::nullopt;
}

std::string devicePathOf(const HidrawInterface &hid)
{
    char ids[32];
    std::snprintf(ids, sizeof ids, "vid_%04x&pid_%04x", hid.vendorId, hid.productId);
    std::string path = std::string("\\\\?\\hid#") + ids;
    if (hid.composite)
        path += "&mi_" + hid.interfaceNumber;
    return path + "#" + hid.sysname + "#{4d1e55b2-f16f-11cf-88cb-001111000030}";
}

std::optional<std::string> deviceInstanceOf(udev_device *hidraw)
{
    const auto hid = describeHidraw(hidraw);
    if (!hid)
        return std::nullopt;
    udev_device *intf = udev_device_get_parent_with_subsystem_devtype(hidraw, "usb", "usb_interface");
    udev_device *owner = intf ? intf : udev_device_get_parent_with_subsystem_devtype(hidraw, "hid", nullptr);
    const char *ownerName = owner ? udev_device_get_sysname(owner) : nullptr;
    char ids[40];
    std::snprintf(ids, sizeof ids, "VID_%04X&PID_%04X", hid->vendorId, hid->productId);
    std::string id = std::string(intf ? "USB\\" : "HID\\") + ids;
    if (hid->composite) {
        std::string number = hid->interfaceNumber;
        for (char &c : number)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        id += "&MI_" + number;
    }
    return id + "\\" + (ownerName ? ownerName : hid->sysname);
}

std::optional<std::string> hidrawNameOfPath(const std::string &path)
{
    // The instance part lies between the second and third '#'.
    const size_t first = path.find('#');
    const size_t second = first == std::string::npos ? first : path.find('#', first + 1);
    const size_t third = second == std::string::npos ? second : path.find('#', second + 1);
    if (third == std::string::npos)
        return std::nullopt;
    std::string name = path.substr(second + 1, third - second - 1);
    if (!isHidrawName(name))
        return std::nullopt;
    return name;
}

} // namespace korvel::os
