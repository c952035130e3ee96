// The USB bus on which the virtual reader (and other HID devices) appear to
// the operating system's own interfaces. Two buses stand behind it, chosen
// by the environment variable READERSIM_BUS when the bus is made:
// - unset or "umockdev": a fake bus built with umockdev (UmockdevBus):
//   sysfs entries that libudev enumerates, /dev/hidrawN nodes whose ioctls
//   reach the reader's firmware, and add/remove uevents for udev monitors.
//   The process must run with libumockdev-preload.so.0 in LD_PRELOAD from
//   its start (see ensurePreload); child processes inherit the bus through
//   the UMOCKDEV_DIR and LD_PRELOAD environment variables.
// - "kernel": the kernel's own USB stack (GadgetBus): each device a USB
//   gadget on dummy_hcd, served by this process; needs root and the gadget
//   modules, as in the guest of `readersim vm`. Every process on the
//   machine sees the devices; root() is empty.
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace readersim {

class ReaderFirmware;
struct BootReport;

// The umockdev preload library, as LD_PRELOAD names it.
inline constexpr const char *UmockdevPreload = "libumockdev-preload.so.0";

class VirtualBus {
public:
    // Creates the bus READERSIM_BUS names. Throws std::runtime_error when
    // that bus cannot be made (umockdev fails, the preload library is not
    // active, no gadget support, an unknown READERSIM_BUS).
    VirtualBus();
    ~VirtualBus();
    VirtualBus(const VirtualBus &) = delete;
    VirtualBus &operator=(const VirtualBus &) = delete;

    // Makes sure this process runs under the umockdev preload: when
    // LD_PRELOAD lacks it, re-executes /proc/self/exe with argv and the
    // preload added (does not return then). Call first thing in main().
    // Nothing to do on the kernel's bus.
    static void ensurePreload(int argc, char **argv);

    // The reader: one USB device with interface 0 (configuration, feature
    // reports, boot keyboard) and interface 1 (raw 65-byte reports), each
    // with its hid device and hidraw node. Reports written to interface 1
    // reach the firmware, and while plugged the bus is the firmware's input
    // report sink (see RawInputSink). The firmware must outlive the
    // plug; its identity and declared feature length are read now. Sends
    // "add" uevents. Plugging twice is a no-op. When the firmware drops off
    // the bus, the reader is unplugged shortly after, on a thread of the bus.
    void plugReader(ReaderFirmware &firmware);
    // Sends "remove" uevents first, then removes the devices. No-op when
    // the reader is not plugged.
    void unplugReader();
    bool readerPlugged() const;
    // How many open descriptors the reader's hidraw node of interface 0 or
    // 1 has now (0 when unplugged).
    int openCount(int readerInterface) const;

    // An unrelated HID mouse on its own USB device (one hidraw node).
    void plugMouse();
    void unplugMouse();
    bool mousePlugged() const;

    // Adds `count` more unrelated HID devices (for load tests), each with a
    // hidraw node. They stay until the bus is destroyed.
    void addOtherHidDevices(int count);

    // Interface 0 is also an input device (/dev/input/eventN, see EvdevNode):
    // the reports the reader types reach it as key events while the reader is
    // plugged; keyboardGrabbed() tells whether a program holds it exclusively
    // (EVIOCGRAB), when nothing else should see the typing. Any thread.
    void typeOnKeyboardInterface(const std::vector<BootReport> &reports);
    bool keyboardGrabbed() const;
    std::string keyboardNode() const;
    // Whether later plugs of the reader bring that input device (the
    // default): without it the reader has only its two hidraw nodes, as
    // some clients want it (Wine's HID bus stops on the removal of an input
    // device that has no node of its own). The kernel's bus always makes it:
    // false is an error there.
    void setReaderInputNode(bool present);
    // Another USB keyboard with its own input device, for listeners that
    // must keep to the reader's.
    void plugOtherKeyboard();
    void unplugOtherKeyboard();
    void typeOnOtherKeyboard(const std::vector<BootReport> &reports);

    // Whether a set-feature the firmware refuses fails for the host (with
    // EPIPE). Not on the kernel's bus: see GadgetBus.
    bool refusesFeatureWrites() const;

    // The testbed root (the value of UMOCKDEV_DIR for child processes);
    // empty on the kernel's bus.
    std::string root() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace readersim
