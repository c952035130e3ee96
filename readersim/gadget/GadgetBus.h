// The virtual reader on the kernel's own USB stack: each device is a USB
// gadget bound to its own dummy_hcd controller, so the kernel enumerates
// it as real hardware: usbhid binds it, hidraw and hid-input make its
// nodes, udev sees its uevents. The reader is a gadget with two FunctionFS
// interfaces served from this process by the unchanged firmware; the mouse
// and the other keyboard are FunctionFS interfaces too, and so are the extra
// HID devices for load tests (the kernel's own f_hid allows only four).
//
// Needs root, configfs, and the modules dummy_hcd (with one UDC per device:
// reader, mouse, keyboard and one per seven extra devices), libcomposite,
// usb_f_fs, usbhid, hid_generic and evdev: the guest of
// `readersim vm` loads them. The UDCs a bus takes are locked against other
// processes for its life.
//
// Plugging returns once the kernel has made the device's nodes (and udev,
// when it runs, has handled them); unplugging once the kernel has removed
// the device. Both wait at most 90 s, then throw.
#pragma once

#include "BusBackend.h"

#include <memory>

namespace readersim {

class GadgetBus final : public BusBackend {
public:
    GadgetBus(); // throws std::runtime_error
    ~GadgetBus() override;

    void plugReader(ReaderFirmware &firmware) override;
    void unplugReader() override;
    bool readerPlugged() const override;
    int openCount(int readerInterface) const override;
    void plugMouse() override;
    void unplugMouse() override;
    bool mousePlugged() const override;
    void addOtherHidDevices(int count) override;
    void typeOnKeyboardInterface(const std::vector<BootReport> &reports) override;
    // The kernel does not tell whether an input device is grabbed: true
    // while any process holds the reader's event node open.
    bool keyboardGrabbed() const override;
    std::string keyboardNode() const override;
    void plugOtherKeyboard() override;
    void unplugOtherKeyboard() override;
    void typeOnOtherKeyboard(const std::vector<BootReport> &reports) override;
    std::string root() const override { return {}; }
    // FunctionFS completes a control write with its data stage, before the
    // firmware has seen the data: a set-feature the firmware refuses (an
    // injected fault) still succeeds for the host. Refused get-features,
    // and set-features to a reader that has dropped off, do fail.
    bool refusesFeatureWrites() const override { return false; }

    struct Impl;

private:
    std::unique_ptr<Impl> impl_;
};

} // namespace readersim
