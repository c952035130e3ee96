#include "SysfsLayout.h"

#include <algorithm>
#include <cstdio>
#include <string_view>

namespace readersim {
namespace {

constexpr int BusNumber = 1;
constexpr const char *Controller = "0000:00:14.0";
constexpr const char *ControllerPath = "/devices/pci0000:00/0000:00:14.0";
constexpr const char *RootHubPath = "/devices/pci0000:00/0000:00:14.0/usb1";
constexpr int HidrawMajor = 243; // dynamic on a real system
constexpr size_t HidNameSize = 128; // the kernel's buffer, NUL included

template <typename... Args>
std::string format(const char *pattern, Args... args)
{
    char buffer[160];
    std::snprintf(buffer, sizeof buffer, pattern, args...);
    return buffer;
}

// One device paragraph of the record text.
class Record {
public:
    explicit Record(const std::string &devpath) : devpath_(devpath), text_("P: " + devpath + "\n") {}

    // E: values end at the line's end; A: values are unescaped (\\ and \n).
    Record &property(std::string_view key, std::string_view value)
    {
        return line('E', key, oneLine(value));
    }
    // A text attribute; sysfs ends each with a newline (libudev strips it).
    Record &attribute(std::string_view key, std::string_view value)
    {
        return line('A', key, escaped(value) + "\\n");
    }
    // "dev" without the newline: umockdev turns it into symlinks.
    Record &deviceNumber(int major, int minor) { return line('A', "dev", format("%d:%d", major, minor)); }
    Record &binary(std::string_view key, const std::vector<uint8_t> &bytes)
    {
        std::string hex;
        for (uint8_t b : bytes)
            hex += format("%02X", b);
        return line('H', key, hex);
    }
    Record &link(std::string_view key, std::string_view target) { return line('L', key, target); }
    // The DRIVER property and the "driver" link that libudev reads it from.
    Record &driver(std::string_view bus, std::string_view name)
    {
        std::string up;
        for (char c : devpath_)
            if (c == '/')
                up += "../";
        property("DRIVER", name);
        return link("driver", up + "bus/" + std::string(bus) + "/drivers/" + std::string(name));
    }
    Record &node(std::string_view name)
    {
        text_.append("N: ").append(name).append("\n");
        return *this;
    }
    std::string text() const { return text_ + "\n"; }

private:
    static std::string escaped(std::string_view value)
    {
        std::string text;
        for (char c : value) {
            if (c == '\\')
                text += "\\\\";
            else if (c == '\n')
                text += "\\n";
            else
                text += c;
        }
        return text;
    }
    static std::string oneLine(std::string_view value)
    {
        std::string text(value);
        for (char &c : text)
            if (c == '\n' || c == '\r')
                c = ' ';
        return text;
    }
    Record &line(char type, std::string_view key, std::string_view value)
    {
        text_.append(1, type).append(": ").append(key).append("=").append(value).append("\n");
        return *this;
    }

    std::string devpath_;
    std::string text_;
};

} // namespace

std::string hidName(const std::string &manufacturer, const std::string &product, uint16_t vendorId,
                    uint16_t productId)
{
    std::string name = manufacturer;
    if (!product.empty())
        name += (manufacturer.empty() ? "" : " ") + product;
    if (name.empty())
        name = format("HID %04x:%04x", vendorId, productId);
    return name.substr(0, HidNameSize - 1);
}

std::vector<std::string> kernelRemovalOrder(const std::vector<std::string> &syspaths)
{
    if (syspaths.empty())
        return {};
    const std::string &device = syspaths.front();
    auto depth = [](const std::string &path) { return std::count(path.begin(), path.end(), '/'); };
    auto under = [](const std::string &path, const std::string &parent) { return path.rfind(parent + "/", 0) == 0; };
    std::vector<std::string> order;
    for (const std::string &interface : syspaths) {
        if (!under(interface, device) || depth(interface) != depth(device) + 1)
            continue;
        std::vector<std::string> inside;
        for (const std::string &path : syspaths)
            if (under(path, interface))
                inside.push_back(path);
        // hid-input lets go of its input device before hidraw of its node.
        std::stable_sort(inside.begin(), inside.end(), [&](const std::string &a, const std::string &b) {
            const bool inputA = a.find("/input/") != std::string::npos, inputB = b.find("/input/") != std::string::npos;
            return inputA != inputB ? inputA : depth(a) > depth(b);
        });
        order.insert(order.end(), inside.begin(), inside.end());
        order.push_back(interface);
    }
    order.push_back(device);
    return order;
}

std::string hostControllerRecords()
{
    Record controller(ControllerPath);
    controller.property("SUBSYSTEM", "pci")
        .driver("pci", "xhci_hcd")
        .property("PCI_CLASS", "C0330")
        .property("PCI_ID", "8086:A36D")
        .property("PCI_SLOT_NAME", Controller)
        .attribute("vendor", "0x8086")
        .attribute("device", "0xa36d")
        .attribute("class", "0x0c0330");
    Record hub(RootHubPath);
    hub.property("SUBSYSTEM", "usb")
        .property("DEVTYPE", "usb_device")
        .driver("usb", "usb")
        .property("PRODUCT", "1d6b/2/601")
        .property("TYPE", "9/0/1")
        .property("BUSNUM", format("%03d", BusNumber))
        .property("DEVNUM", "001")
        .attribute("idVendor", "1d6b")
        .attribute("idProduct", "0002")
        .attribute("bcdDevice", "0601")
        .attribute("manufacturer", "Linux xhci-hcd")
        .attribute("product", "xHCI Host Controller")
        .attribute("bDeviceClass", "09")
        .attribute("bNumInterfaces", " 1")
        .attribute("busnum", format("%d", BusNumber))
        .attribute("devnum", "1");
    return controller.text() + hub.text();
}

DeviceLayout layoutUsbDevice(const UsbDeviceModel &device, const BusPlacement &placement)
{
    DeviceLayout layout;
    const std::string usbName = format("%d-%d", BusNumber, placement.port);
    const std::string usbPath = std::string(RootHubPath) + "/" + usbName;
    const std::string product = format("%x/%x/%x", device.vendorId, device.productId, device.bcdDevice);
    const std::string name = hidName(device.manufacturer, device.product, device.vendorId, device.productId);

    Record usb(usbPath);
    usb.property("SUBSYSTEM", "usb")
        .property("DEVTYPE", "usb_device")
        .driver("usb", "usb")
        .property("PRODUCT", product)
        .property("TYPE", "0/0/0")
        .property("BUSNUM", format("%03d", BusNumber))
        .property("DEVNUM", format("%03d", placement.devnum))
        .attribute("idVendor", format("%04x", device.vendorId))
        .attribute("idProduct", format("%04x", device.productId))
        .attribute("bcdDevice", format("%04x", device.bcdDevice))
        .attribute("bDeviceClass", "00")
        .attribute("bNumConfigurations", "1")
        .attribute("bConfigurationValue", "1")
        .attribute("bNumInterfaces", format("%2zu", device.interfaces.size()))
        .attribute("busnum", format("%d", BusNumber))
        .attribute("devnum", format("%d", placement.devnum))
        .attribute("devpath", format("%d", placement.port))
        .attribute("speed", "12")
        .attribute("version", " 1.10");
    if (!device.manufacturer.empty())
        usb.attribute("manufacturer", device.manufacturer);
    if (!device.product.empty())
        usb.attribute("product", device.product);
    layout.records += usb.text();
    layout.syspaths.push_back("/sys" + usbPath);

    for (size_t i = 0; i < device.interfaces.size(); ++i) {
        const HidInterfaceModel &intf = device.interfaces[i];
        const std::string intfPath = usbPath + format("/%s:1.%zu", usbName.c_str(), i);
        const std::string hidDevice =
            format("%04X:%04X:%04X.%04X", 3, device.vendorId, device.productId, placement.hidSequence[i]);
        const std::string hidPath = intfPath + "/" + hidDevice;
        const std::string hidraw = format("hidraw%d", placement.hidrawMinor[i]);
        const std::string hidrawPath = hidPath + "/hidraw/" + hidraw;
        const std::string phys = format("usb-%s-%d/input%zu", Controller, placement.port, i);

        Record interface(intfPath);
        interface.property("SUBSYSTEM", "usb")
            .property("DEVTYPE", "usb_interface")
            .driver("usb", "usbhid")
            .property("PRODUCT", product)
            .property("TYPE", "0/0/0")
            .property("INTERFACE", format("3/%d/%d", intf.subclass, intf.protocol))
            .property("MODALIAS", format("usb:v%04Xp%04Xd%04Xdc00dsc00dp00ic03isc%02Xip%02Xin%02zX",
                                         device.vendorId, device.productId, device.bcdDevice,
                                         intf.subclass, intf.protocol, i))
            .attribute("bInterfaceNumber", format("%02zx", i))
            .attribute("bAlternateSetting", " 0")
            .attribute("bInterfaceClass", "03")
            .attribute("bInterfaceSubClass", format("%02x", intf.subclass))
            .attribute("bInterfaceProtocol", format("%02x", intf.protocol))
            .attribute("bNumEndpoints", format("%02x", intf.endpoints));

        Record hid(hidPath);
        hid.property("SUBSYSTEM", "hid")
            .driver("hid", "hid-generic")
            .property("HID_ID", format("0003:%08X:%08X", device.vendorId, device.productId))
            .property("HID_NAME", name)
            .property("HID_PHYS", phys)
            .property("HID_UNIQ", "")
            .property("MODALIAS", format("hid:b0003g0001v%08Xp%08X", device.vendorId, device.productId))
            .attribute("country", "00")
            .binary("report_descriptor", intf.reportDescriptor);

        Record node(hidrawPath);
        node.property("SUBSYSTEM", "hidraw")
            .property("MAJOR", format("%d", HidrawMajor))
            .property("MINOR", format("%d", placement.hidrawMinor[i]))
            .property("DEVNAME", "/dev/" + hidraw) // umockdev stores "hidrawN" and records the
                                                    // device number for stat()
            .deviceNumber(HidrawMajor, placement.hidrawMinor[i])
            .link("device", "../../../" + hidDevice);
        if (placement.createNode[i])
            node.node(hidraw);

        layout.records += interface.text() + hid.text() + node.text();
        for (const std::string *path : {&intfPath, &hidPath, &hidrawPath})
            layout.syspaths.push_back("/sys" + *path);
        layout.nodes.push_back({"/dev/" + hidraw, device.vendorId, device.productId, name, phys, "",
                                intf.reportDescriptor});
    }
    return layout;
}

} // namespace readersim
