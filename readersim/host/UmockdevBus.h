// The umockdev bus: the virtual reader's devices faked in user space, with
// sysfs entries that libudev enumerates, /dev/hidrawN and evdev nodes whose
// ioctls reach the reader's firmware, and add/remove uevents for udev
// monitors. Quick and unprivileged; the stand-in for the kernel's own USB
// stack (GadgetBus) in every lane but the kernel one.
//
// The process must run with libumockdev-preload.so.0 in LD_PRELOAD from its
// start (see ensurePreload); child processes inherit the bus through the
// UMOCKDEV_DIR and LD_PRELOAD environment variables.
#pragma once

#include "BusBackend.h"

#include <memory>

namespace readersim {

class UmockdevBus final : public BusBackend {
public:
    // Creates the testbed. Throws std::runtime_error when umockdev fails or
    // the preload library is not active.
    UmockdevBus();
    ~UmockdevBus() override;

    // See VirtualBus::ensurePreload.
    static void ensurePreload(int argc, char **argv);

    void plugReader(ReaderFirmware &firmware) override;
    void unplugReader() override;
    bool readerPlugged() const override;
    int openCount(int readerInterface) const override;
    void plugMouse() override;
    void unplugMouse() override;
    bool mousePlugged() const override;
    void addOtherHidDevices(int count) override;
    void typeOnKeyboardInterface(const std::vector<BootReport> &reports) override;
    bool keyboardGrabbed() const override;
    std::string keyboardNode() const override;
    void plugOtherKeyboard() override;
    void unplugOtherKeyboard() override;
    void typeOnOtherKeyboard(const std::vector<BootReport> &reports) override;
    std::string root() const override;
    bool refusesFeatureWrites() const override { return true; }
    void setReaderInputNode(bool present) override;

    struct Impl;

private:
    std::unique_ptr<Impl> impl_;
};

} // namespace readersim
