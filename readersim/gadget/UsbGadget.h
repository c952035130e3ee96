// A USB device made with the kernel's gadget framework through configfs
// (/sys/kernel/config/usb_gadget/NAME): its identity and strings, one
// configuration, and its functions in interface order: FunctionFS
// instances, served from user space (see FunctionFsInterface). Plugging it
// in is binding it to a UDC (a dummy_hcd instance here); unplugging,
// unbinding it. Everything is removed again on
// destruction.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace readersim {

struct GadgetIdentity {
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    uint16_t bcdDevice = 0x0100;
    std::string manufacturer; // empty: no such string
    std::string product;
};

class UsbGadget {
public:
    // Throws std::runtime_error (no configfs, or no gadget support loaded).
    explicit UsbGadget(std::string name);
    ~UsbGadget();
    UsbGadget(const UsbGadget &) = delete;
    UsbGadget &operator=(const UsbGadget &) = delete;

    // While unbound: what the device says of itself.
    void setIdentity(const GadgetIdentity &identity);
    // Adds the next interface: a FunctionFS instance, whose name (for its
    // mount) is returned.
    std::string addFunctionFs(const std::string &function);

    void bind(const std::string &udc); // plug in (the functions must be ready)
    void unbind();                     // unplug; no-op when unbound
    bool bound() const { return !udc_.empty(); }

    // The UDCs of the machine (/sys/class/udc), in order.
    static std::vector<std::string> controllers();

private:
    std::string path_;
    std::vector<std::string> links_; // in the configuration, in order
    std::vector<std::string> functions_;
    std::string udc_;
};

} // namespace readersim
