#include "HidInterface.h"

#include <linux/usb/ch9.h>
#include <linux/usb/functionfs.h>

#include <algorithm>

namespace readersim {
namespace {

constexpr uint8_t HidDescriptorType = 0x21;
constexpr uint8_t ReportDescriptorType = 0x22;
constexpr uint8_t GetReport = 0x01, GetIdle = 0x02, GetProtocol = 0x03;
constexpr uint8_t SetReport = 0x09, SetIdle = 0x0A, SetProtocol = 0x0B;
constexpr uint8_t ClassIn = USB_DIR_IN | USB_TYPE_CLASS | USB_RECIP_INTERFACE;
constexpr uint8_t ClassOut = USB_DIR_OUT | USB_TYPE_CLASS | USB_RECIP_INTERFACE;
constexpr uint8_t StandardIn = USB_DIR_IN | USB_TYPE_STANDARD | USB_RECIP_INTERFACE;

void put16(std::vector<uint8_t> &out, uint16_t value)
{
    out.push_back(static_cast<uint8_t>(value));
    out.push_back(static_cast<uint8_t>(value >> 8));
}

void put32(std::vector<uint8_t> &out, uint32_t value)
{
    put16(out, static_cast<uint16_t>(value));
    put16(out, static_cast<uint16_t>(value >> 16));
}

// Interface, HID and endpoint descriptors for one speed; bInterval in that
// speed's units (frames at full speed, 2^(n-1) microframes at high speed).
std::vector<uint8_t> speedDescriptors(const HidInterfaceLayout &layout, uint8_t interval)
{
    const uint8_t endpoints = layout.outPacketSize ? 2 : 1;
    std::vector<uint8_t> d = {USB_DT_INTERFACE_SIZE, USB_DT_INTERFACE, 0, 0, endpoints,
                              USB_CLASS_HID, layout.subclass, layout.protocol, 0};
    const std::vector<uint8_t> hid = hidDescriptor(layout);
    d.insert(d.end(), hid.begin(), hid.end());
    auto endpoint = [&](uint8_t address, uint16_t size) {
        d.insert(d.end(), {USB_DT_ENDPOINT_SIZE, USB_DT_ENDPOINT, address, USB_ENDPOINT_XFER_INT});
        put16(d, size);
        d.push_back(interval);
    };
    endpoint(USB_DIR_IN | 1, layout.inPacketSize);
    if (layout.outPacketSize)
        endpoint(USB_DIR_OUT | 2, layout.outPacketSize);
    return d;
}

} // namespace

std::vector<uint8_t> hidDescriptor(const HidInterfaceLayout &layout)
{
    std::vector<uint8_t> d = {9, HidDescriptorType, 0x11, 0x01, 0, 1, ReportDescriptorType};
    put16(d, static_cast<uint16_t>(layout.reportDescriptor.size()));
    return d;
}

std::vector<uint8_t> functionFsDescriptors(const HidInterfaceLayout &layout)
{
    // Full speed counts frames (1 ms); high speed 2^(n-1) microframes of 125 us.
    uint8_t highExponent = 4; // 1 ms
    for (unsigned ms = 2; ms <= layout.intervalMs && highExponent < 8; ms *= 2)
        ++highExponent;
    const std::vector<uint8_t> full = speedDescriptors(layout, layout.intervalMs), high = speedDescriptors(layout, highExponent);
    const uint32_t count = layout.outPacketSize ? 4 : 3;
    std::vector<uint8_t> blob;
    put32(blob, FUNCTIONFS_DESCRIPTORS_MAGIC_V2);
    put32(blob, 0); // the length, below
    put32(blob, FUNCTIONFS_HAS_FS_DESC | FUNCTIONFS_HAS_HS_DESC);
    put32(blob, count);
    put32(blob, count);
    blob.insert(blob.end(), full.begin(), full.end());
    blob.insert(blob.end(), high.begin(), high.end());
    const auto length = static_cast<uint32_t>(blob.size());
    std::copy_n(reinterpret_cast<const uint8_t *>(&length), 4, blob.begin() + 4); // little-endian host
    return blob;
}

std::vector<uint8_t> functionFsStrings()
{
    std::vector<uint8_t> blob;
    put32(blob, FUNCTIONFS_STRINGS_MAGIC);
    put32(blob, 16);
    put32(blob, 0); // strings
    put32(blob, 0); // languages
    return blob;
}

HidControl::HidControl(HidInterfaceLayout layout, HidReportHandlers handlers)
    : spec_(std::move(layout)), handlers_(std::move(handlers))
{
}

ControlReply HidControl::answer(const usb_ctrlrequest &setup, const std::vector<uint8_t> &outData)
{
    const uint8_t high = static_cast<uint8_t>(setup.wValue >> 8), low = static_cast<uint8_t>(setup.wValue);
    const size_t length = setup.wLength;
    auto send = [length](std::vector<uint8_t> data) {
        if (data.size() > length)
            data.resize(length);
        return ControlReply{false, std::move(data)};
    };
    const ControlReply stall{true, {}}, done{false, {}};
    if (setup.bRequestType == StandardIn && setup.bRequest == USB_REQ_GET_DESCRIPTOR) {
        if (high == ReportDescriptorType)
            return send(spec_.reportDescriptor);
        if (high == HidDescriptorType)
            return send(hidDescriptor(spec_));
        return stall;
    }
    if (setup.bRequestType == ClassIn) {
        switch (setup.bRequest) {
        case GetReport: {
            if (!handlers_.getReport || high < 1 || high > 3)
                return stall;
            const auto report = handlers_.getReport(static_cast<ReportType>(high), low, length);
            return report ? send(*report) : stall;
        }
        case GetIdle:
            return send({idle_});
        case GetProtocol:
            return send({protocol_});
        default:
            return stall;
        }
    }
    if (setup.bRequestType == ClassOut) {
        switch (setup.bRequest) {
        case SetReport:
            if (!handlers_.setReport || high < 1 || high > 3)
                return stall;
            return handlers_.setReport(static_cast<ReportType>(high), low, outData) ? done : stall;
        case SetIdle:
            idle_ = high;
            return done;
        case SetProtocol:
            if (spec_.subclass != 1 || setup.wValue > 1) // only boot interfaces know two protocols
                return stall;
            protocol_ = static_cast<uint8_t>(setup.wValue);
            return done;
        default:
            return stall;
        }
    }
    return stall;
}

} // namespace readersim
