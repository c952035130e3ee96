// What a bus for the virtual reader does, whichever it is: the umockdev
// bus (UmockdevBus, the quick stand-in in user space) or the kernel's own
// USB stack (GadgetBus, a USB gadget on dummy_hcd). VirtualBus puts one of
// them behind its interface; see VirtualBus.h for what each member means.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

namespace readersim {

class ReaderFirmware;
struct BootReport;

class BusBackend {
public:
    virtual ~BusBackend() = default;
    virtual void plugReader(ReaderFirmware &firmware) = 0;
    virtual void unplugReader() = 0;
    virtual bool readerPlugged() const = 0;
    virtual int openCount(int readerInterface) const = 0;
    virtual void plugMouse() = 0;
    virtual void unplugMouse() = 0;
    virtual bool mousePlugged() const = 0;
    virtual void addOtherHidDevices(int count) = 0;
    virtual void typeOnKeyboardInterface(const std::vector<BootReport> &reports) = 0;
    virtual bool keyboardGrabbed() const = 0;
    virtual std::string keyboardNode() const = 0;
    virtual void plugOtherKeyboard() = 0;
    virtual void unplugOtherKeyboard() = 0;
    virtual void typeOnOtherKeyboard(const std::vector<BootReport> &reports) = 0;
    virtual std::string root() const = 0;
    virtual bool refusesFeatureWrites() const = 0;
    // Only the umockdev bus can leave the reader's input device out.
    virtual void setReaderInputNode(bool present)
    {
        if (!present)
            throw std::runtime_error("this bus always gives the reader its keyboard input device");
    }
};

} // namespace readersim
