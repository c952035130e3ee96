// The Linux device path and device instance identifier of a hidraw node,
// built from whatever sysfs says, and read back the way the discovery
// above the OS layer reads them. The input is text, one value a line:
//   parents ('i' USB interface, 'u' USB device, 'h' hid device; '-' for
//           a node that udev gives no name)
//   hidraw name, interface name, bInterfaceNumber, interface PRODUCT,
//   bNumInterfaces, idVendor, idProduct, hid device name, HID_ID
// A missing line is a missing attribute; the rest of the input after them
// is read as a device path on its own.
#include "DevicePath.h"
#include "FakeUdev.h"
#include "FuzzSupport.h"
#include "os/linux/HidrawInterface.h"

#include <algorithm>
#include <cctype>
#include <string_view>
#include <vector>

using namespace korvel;

namespace {

std::string lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

bool isLowerHex(const std::string &text)
{
    return text.find_first_not_of("0123456789abcdef") == std::string::npos;
}

// Anything as a path: nothing is read outside it, and what comes back is part of it.
void checkAnyPath(const std::string &path)
{
    const DevicePathFields fields = parseDevicePath(path);
    FUZZ_CHECK(fields.interfaceNumber.size() <= 2);
    FUZZ_CHECK(fields.tail.size() <= 4 && path.ends_with(fields.tail));
    FUZZ_CHECK(fields.vendorId >= 0 && fields.vendorId <= 0xFFFF);
    FUZZ_CHECK(fields.productId >= 0 && fields.productId <= 0xFFFF);
    if (const auto name = os::hidrawNameOfPath(path))
        FUZZ_CHECK(name->starts_with("hidraw") && path.find("#" + *name + "#") != std::string::npos);
}

void checkNode(udev_device &hidraw)
{
    const auto hid = os::describeHidraw(&hidraw);
    const auto instance = os::deviceInstanceOf(&hidraw);
    FUZZ_CHECK(hid.has_value() == instance.has_value());
    if (!hid)
        return;
    FUZZ_CHECK(hid->interfaceNumber.size() == 2 && isLowerHex(hid->interfaceNumber));

    // The path reads back at its fixed positions.
    const std::string path = os::devicePathOf(*hid);
    const DevicePathFields fields = parseDevicePath(path);
    FUZZ_CHECK(fields.vendorId == hid->vendorId);
    FUZZ_CHECK(fields.productId == hid->productId);
    FUZZ_CHECK(fields.interfaceNumber == (hid->composite ? hid->interfaceNumber : "00"));
    FUZZ_CHECK(os::hidrawNameOfPath(path) == hid->sysname);
    checkAnyPath(path);

    // The instance identifier names the same device and interface.
    char ids[32];
    std::snprintf(ids, sizeof ids, "vid_%04x&pid_%04x", hid->vendorId, hid->productId);
    const std::string expected = std::string(ids) + (hid->composite ? "&mi_" + hid->interfaceNumber : "") + "\\";
    FUZZ_CHECK(instance->starts_with(hidraw.usbInterface ? "USB\\" : "HID\\"));
    FUZZ_CHECK(lower(*instance).find(expected) == 4);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    std::string_view input(reinterpret_cast<const char *>(data), size);
    std::vector<std::optional<std::string>> lines;
    while (lines.size() < 10 && !input.empty()) {
        const size_t end = std::min(input.find('\n'), input.size());
        lines.emplace_back(input.substr(0, end));
        input.remove_prefix(std::min(end + 1, input.size()));
    }
    lines.resize(10);
    const std::string parents = lines[0].value_or("");
    const auto set = [](std::map<std::string, std::string> &values, const char *name,
                        const std::optional<std::string> &value) {
        if (value)
            values[name] = *value;
    };

    udev_device usbInterface, usbDevice, hidDevice, hidraw;
    hidraw.sysname = parents.find('-') == std::string::npos ? lines[1] : std::nullopt;
    usbInterface.sysname = lines[2];
    set(usbInterface.attributes, "bInterfaceNumber", lines[3]);
    set(usbInterface.properties, "PRODUCT", lines[4]);
    set(usbDevice.attributes, "bNumInterfaces", lines[5]);
    set(usbDevice.attributes, "idVendor", lines[6]);
    set(usbDevice.attributes, "idProduct", lines[7]);
    hidDevice.sysname = lines[8];
    set(hidDevice.properties, "HID_ID", lines[9]);
    if (parents.find('i') != std::string::npos)
        hidraw.usbInterface = &usbInterface;
    if (parents.find('u') != std::string::npos)
        hidraw.usbDevice = &usbDevice;
    if (parents.find('h') != std::string::npos)
        hidraw.hidDevice = &hidDevice;

    checkNode(hidraw);
    checkAnyPath(std::string(input));
    return 0;
}
