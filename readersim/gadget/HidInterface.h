// One HID interface of a USB device as the gadget side presents it: its
// descriptors, and the answers to the HID class requests the host's usbhid
// driver sends to it over the control endpoint. No I/O: FunctionFS blobs
// and replies as bytes, so the tests check them without a kernel.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

struct usb_ctrlrequest;

namespace readersim {

struct HidInterfaceLayout {
    uint8_t subclass = 0;       // 1: boot interface
    uint8_t protocol = 0;       // boot protocol: 1 keyboard, 2 mouse
    uint16_t inPacketSize = 8;  // the interrupt IN endpoint's reports
    uint16_t outPacketSize = 0; // an interrupt OUT endpoint when not 0
    std::vector<uint8_t> reportDescriptor;
    uint8_t intervalMs = 1; // how often the host polls: 1, 2, 4, 8 or 16 ms
};

// The FunctionFS descriptor blob (version 2) for full and high speed: the
// interface, its HID descriptor and its interrupt endpoints (IN first, then
// OUT), polled every `intervalMs`.
std::vector<uint8_t> functionFsDescriptors(const HidInterfaceLayout &layout);
// The FunctionFS strings blob: no strings.
std::vector<uint8_t> functionFsStrings();
// The 9-byte HID class descriptor.
std::vector<uint8_t> hidDescriptor(const HidInterfaceLayout &layout);

// HID report types in wValue's high byte.
enum class ReportType : uint8_t { Input = 1, Output = 2, Feature = 3 };

// What the device does with the reports the host asks for or sends; an
// empty function stalls that request.
struct HidReportHandlers {
    // The report's bytes after its ID (at most `length`); nullopt stalls.
    std::function<std::optional<std::vector<uint8_t>>(ReportType, uint8_t id, size_t length)> getReport;
    // The report's bytes after its ID; false stalls.
    std::function<bool(ReportType, uint8_t id, const std::vector<uint8_t> &data)> setReport;
};

// The answer to one control request: stall it, or complete it, sending
// `data` for a request that reads (cut to what the host asked for).
struct ControlReply {
    bool stall = false;
    std::vector<uint8_t> data;
};

// The HID class requests of an interface and its GET_DESCRIPTOR of the HID
// and report descriptors. `outData` is the data stage of a request that
// writes. Keeps the idle rate and protocol the host set. Anything else stalls.
class HidControl {
public:
    HidControl(HidInterfaceLayout layout, HidReportHandlers handlers);
    ControlReply answer(const usb_ctrlrequest &setup, const std::vector<uint8_t> &outData);
    const HidInterfaceLayout &layout() const { return spec_; }
    uint8_t protocol() const { return protocol_; }

private:
    HidInterfaceLayout spec_;
    HidReportHandlers handlers_;
    uint8_t idle_ = 0;
    uint8_t protocol_ = 1; // report protocol until the host asks for boot
};

} // namespace readersim
