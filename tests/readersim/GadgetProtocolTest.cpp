// What the virtual reader's USB gadget says to the host's usbhid driver, as
// bytes (no kernel needed): the FunctionFS descriptors and the answers to
// the HID class requests; and the order of removals the umockdev bus takes
// from the kernel.
#include "HidInterface.h"
#include "SysfsLayout.h"

#include <gtest/gtest.h>

#include <linux/usb/ch9.h>

#include <string>
#include <vector>

namespace {

using readersim::ControlReply;
using readersim::HidControl;
using readersim::HidInterfaceLayout;
using readersim::ReportType;
using Bytes = std::vector<uint8_t>;

usb_ctrlrequest setup(uint8_t type, uint8_t request, uint16_t value, uint16_t length)
{
    usb_ctrlrequest s{};
    s.bRequestType = type;
    s.bRequest = request;
    s.wValue = value;
    s.wLength = length;
    return s;
}

TEST(GadgetProtocol, DescriptorBlobCarriesTheInterfaceForBothSpeeds)
{
    const HidInterfaceLayout layout{0, 0, 64, 64, Bytes(25, 0x11)};
    const Bytes blob = readersim::functionFsDescriptors(layout);
    ASSERT_EQ(blob.size(), 20u + 2 * (9 + 9 + 7 + 7));
    EXPECT_EQ(blob[0], 3); // version 2 magic
    EXPECT_EQ(blob[4], blob.size());
    EXPECT_EQ(blob[12], 4); // descriptors per speed
    const uint8_t *full = blob.data() + 20;
    EXPECT_EQ(Bytes(full, full + 9), (Bytes{9, 4, 0, 0, 2, 3, 0, 0, 0}));
    EXPECT_EQ(Bytes(full + 9, full + 18), (Bytes{9, 0x21, 0x11, 0x01, 0, 1, 0x22, 25, 0}));
    EXPECT_EQ(Bytes(full + 18, full + 25), (Bytes{7, 5, 0x81, 3, 64, 0, 1}));
    EXPECT_EQ(Bytes(full + 25, full + 32), (Bytes{7, 5, 0x02, 3, 64, 0, 1}));
    EXPECT_EQ(blob[20 + 32 + 18 + 6], 4); // high speed: every 8 microframes
    const Bytes keyboard = readersim::functionFsDescriptors({1, 1, 8, 0, Bytes(3), 8});
    ASSERT_EQ(keyboard.size(), 20u + 2 * 25);
    EXPECT_EQ(keyboard[20 + 24], 8);      // full speed: 8 frames
    EXPECT_EQ(keyboard[20 + 25 + 24], 7); // high speed: 2^6 microframes
}

TEST(GadgetProtocol, HidRequestsAreAnsweredOrStalled)
{
    Bytes lastSet;
    readersim::HidReportHandlers handlers;
    handlers.getReport = [](ReportType type, uint8_t id, size_t length) -> std::optional<Bytes> {
        if (type != ReportType::Feature)
            return std::nullopt;
        return Bytes(length, static_cast<uint8_t>(id + 1));
    };
    handlers.setReport = [&](ReportType type, uint8_t id, const Bytes &data) {
        lastSet = data;
        lastSet.insert(lastSet.begin(), {static_cast<uint8_t>(type), id});
        return type == ReportType::Feature;
    };
    HidControl control({1, 1, 8, 0, Bytes{5, 1, 9, 6}}, handlers);
    const uint8_t in = 0xA1, out = 0x21, standard = 0x81;
    const struct {
        usb_ctrlrequest request;
        Bytes data;
        bool stall;
        Bytes answer;
    } cases[] = {
        {setup(standard, USB_REQ_GET_DESCRIPTOR, 0x2200, 255), {}, false, {5, 1, 9, 6}},
        {setup(standard, USB_REQ_GET_DESCRIPTOR, 0x2200, 2), {}, false, {5, 1}},
        {setup(standard, USB_REQ_GET_DESCRIPTOR, 0x2100, 9), {}, false, {9, 0x21, 0x11, 1, 0, 1, 0x22, 4, 0}},
        {setup(standard, USB_REQ_GET_DESCRIPTOR, 0x2300, 9), {}, true, {}},
        {setup(in, 0x01, 0x0300, 8), {}, false, Bytes(8, 1)}, // GET_REPORT feature, ID 0
        {setup(in, 0x01, 0x0100, 8), {}, true, {}},           // input: the handler has none
        {setup(in, 0x01, 0x0400, 8), {}, true, {}},           // no such report type
        {setup(out, 0x09, 0x0302, 2), {7, 8}, false, {}},     // SET_REPORT feature, ID 2
        {setup(out, 0x09, 0x0200, 1), {1}, true, {}},         // output refused by the handler
        {setup(out, 0x0A, 0x0400, 0), {}, false, {}},         // SET_IDLE 16 ms
        {setup(in, 0x02, 0, 1), {}, false, {4}},              // GET_IDLE
        {setup(out, 0x0B, 0, 0), {}, false, {}},              // SET_PROTOCOL boot
        {setup(in, 0x03, 0, 1), {}, false, {0}},              // GET_PROTOCOL
        {setup(out, 0x0B, 2, 0), {}, true, {}},               // no protocol 2
        {setup(0xC1, 0x01, 0, 8), {}, true, {}},              // vendor request
    };
    for (const auto &c : cases) {
        const ControlReply reply = control.answer(c.request, c.data);
        EXPECT_EQ(reply.stall, c.stall) << int(c.request.bRequestType) << "/" << int(c.request.bRequest);
        EXPECT_EQ(reply.data, c.answer) << int(c.request.bRequestType) << "/" << int(c.request.bRequest);
    }
    EXPECT_EQ(lastSet, (Bytes{2, 0, 1})) << "the last SET_REPORT reached the handler with type and ID";
    // A non-boot interface knows one protocol only.
    HidControl raw({0, 0, 64, 64, Bytes{1}}, {});
    EXPECT_TRUE(raw.answer(setup(out, 0x0B, 0, 0), {}).stall);
}

TEST(GadgetProtocol, RemovalFollowsTheKernelsOrder)
{
    const std::string d = "/sys/u/1-1", i0 = d + "/1-1:1.0", i1 = d + "/1-1:1.1";
    const std::string h0 = i0 + "/0003:1209:0001.0001", h1 = i1 + "/0003:1209:0001.0002";
    const std::vector<std::string> plugged = {d, i0, h0, h0 + "/hidraw/hidraw0", i1, h1, h1 + "/hidraw/hidraw1",
                                              h0 + "/input/input2", h0 + "/input/input2/event1"};
    EXPECT_EQ(readersim::kernelRemovalOrder(plugged),
              (std::vector<std::string>{h0 + "/input/input2/event1", h0 + "/input/input2", h0 + "/hidraw/hidraw0", h0,
                                        i0, h1 + "/hidraw/hidraw1", h1, i1, d}));
}

} // namespace
