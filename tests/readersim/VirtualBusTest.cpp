// The virtual bus as the operating system shows it: libudev enumeration and
// monitors, open() and the hidraw ioctls, with no Korvel code involved.
#include "BuildVendor.h"
#include "Eventually.h"
#include "SharedBus.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <fcntl.h>
#include <libudev.h>
#include <linux/hidraw.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <thread>
#include <vector>

using namespace readersim;
using Bytes = std::vector<uint8_t>;

namespace {

using korvel::testing::eventually;
using korvel::testing::SharedBus;

int otherDevices = 0; // added by addOtherHidDevices, never removed

struct UdevUnref {
    void operator()(udev *u) const { udev_unref(u); }
    void operator()(udev_device *d) const { udev_device_unref(d); }
    void operator()(udev_enumerate *e) const { udev_enumerate_unref(e); }
    void operator()(udev_monitor *m) const { udev_monitor_unref(m); }
};
template <typename T>
using UdevPtr = std::unique_ptr<T, UdevUnref>;

class Fd {
public:
    explicit Fd(const std::string &path, int flags = 0) : fd_(::open(path.c_str(), O_RDWR | O_CLOEXEC | flags)) {}
    ~Fd()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Fd(const Fd &) = delete;
    Fd &operator=(const Fd &) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

struct Node {
    std::string syspath;
    std::string devnode;
};

std::vector<Node> hidrawNodes()
{
    UdevPtr<udev> context(udev_new());
    UdevPtr<udev_enumerate> scan(udev_enumerate_new(context.get()));
    udev_enumerate_add_match_subsystem(scan.get(), "hidraw");
    udev_enumerate_scan_devices(scan.get());
    std::vector<Node> nodes;
    udev_list_entry *entry;
    udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(scan.get()))
    {
        UdevPtr<udev_device> device(udev_device_new_from_syspath(context.get(), udev_list_entry_get_name(entry)));
        nodes.push_back({udev_device_get_syspath(device.get()), udev_device_get_devnode(device.get())});
    }
    return nodes;
}

size_t hidrawCount()
{
    return hidrawNodes().size() - otherDevices;
}

// Text of a sysattr or property of the parent of `node` in `subsystem`/`devtype`.
struct Parent {
    explicit Parent(const std::string &syspath, const char *subsystem, const char *devtype = nullptr)
        : context(udev_new()), node(udev_device_new_from_syspath(context.get(), syspath.c_str())),
          device(udev_device_get_parent_with_subsystem_devtype(node.get(), subsystem, devtype))
    {
    }
    std::string attr(const char *name) const
    {
        const char *value = device ? udev_device_get_sysattr_value(device, name) : nullptr;
        return value ? value : "<none>";
    }
    std::string prop(const char *name) const
    {
        const char *value = device ? udev_device_get_property_value(device, name) : nullptr;
        return value ? value : "<none>";
    }
    UdevPtr<udev> context;
    UdevPtr<udev_device> node;
    udev_device *device; // owned by `node`
};

Bytes readFile(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

// Bits of every Input, Output and Feature report in a descriptor without
// report IDs: the sizes the kernel would derive.
struct ReportBits {
    unsigned input = 0, output = 0, feature = 0;
};
ReportBits reportBits(const Bytes &d)
{
    ReportBits bits;
    unsigned size = 0, count = 0;
    for (size_t i = 0; i < d.size();) {
        const size_t length = std::vector<size_t>{0, 1, 2, 4}[d[i] & 3];
        unsigned value = 0;
        for (size_t b = 0; b < length; ++b)
            value |= unsigned{d[i + 1 + b]} << (8 * b);
        switch (d[i] & 0xFC) {
        case 0x74: size = value; break;
        case 0x94: count = value; break;
        case 0x80: bits.input += size * count; break;
        case 0x90: bits.output += size * count; break;
        case 0xB0: bits.feature += size * count; break;
        }
        i += 1 + length;
    }
    return bits;
}

// `request` of the hidraw ioctls with the errno of a failure.
struct Answer {
    int result;
    int error;
};
Answer ioctlAnswer(int fd, unsigned long request, void *arg)
{
    errno = 0;
    const int result = ::ioctl(fd, request, arg);
    return {result, result < 0 ? errno : 0};
}

Bytes report(std::initializer_list<uint8_t> data, size_t length = 9)
{
    // Report ID 0, the data, zeros up to the length.
    Bytes bytes(std::max(length, data.size() + 1), 0);
    std::copy(data.begin(), data.end(), bytes.begin() + 1);
    bytes.resize(length);
    return bytes;
}

// Generous: the machines that run the tests are shared and slow at times.
constexpr int DeadlineMs = 20000;

class BusTest : public korvel::testing::BusTest {
protected:
    void replug(ReaderIdentity identity = {}, size_t featureLength = 9)
    {
        firmware = &SharedBus::freshReader(identity, {},
                                           [&](ReaderFirmware &f) { f.declareFeatureLength(featureLength); });
    }
    // The reader's node of interface 0 or 1.
    static Node readerNode(const std::string &interface)
    {
        for (const Node &node : hidrawNodes())
            if (node.syspath.find("/1-1:1." + interface + "/") != std::string::npos)
                return node;
        ADD_FAILURE() << "no hidraw node on interface " << interface;
        return {};
    }
};

// ---- What libudev enumerates ----------------------------------------------

using Enumeration = BusTest;

TEST_F(Enumeration, ReaderHasTwoNodesAndTheMouseOneMore)
{
    EXPECT_EQ(hidrawCount(), 2u);
    bus->plugMouse();
    EXPECT_EQ(hidrawCount(), 3u);
    bus->unplugMouse();
    EXPECT_EQ(hidrawCount(), 2u);
}

TEST_F(Enumeration, UsbDeviceCarriesTheFirmwareIdentity)
{
    replug({0x1209, 0x00AB, "Maker", "USB RFID Reader Ver: 2.0"});
    const Parent usb(readerNode("0").syspath, "usb", "usb_device");
    EXPECT_EQ(usb.attr("idVendor"), "1209");
    EXPECT_EQ(usb.attr("idProduct"), "00ab");
    EXPECT_EQ(usb.attr("manufacturer"), "Maker");
    EXPECT_EQ(usb.attr("product"), "USB RFID Reader Ver: 2.0");
    EXPECT_EQ(usb.attr("bNumInterfaces"), " 2");
    EXPECT_EQ(usb.prop("PRODUCT"), "1209/ab/100");
    EXPECT_EQ(usb.prop("TYPE"), "0/0/0");
    EXPECT_EQ(usb.prop("BUSNUM"), "001");
    EXPECT_EQ(usb.attr("devnum"), std::to_string(std::stoi(usb.prop("DEVNUM"))));
}

TEST_F(Enumeration, InterfacesAndHidDevicesLookLikeTheKernels)
{
    const struct {
        const char *number, *triple, *phys;
    } expected[] = {{"0", "3/1/1", "usb-0000:00:14.0-1/input0"}, {"1", "3/0/0", "usb-0000:00:14.0-1/input1"}};
    char vendor[8]; // as PRODUCT writes it: hexadecimal without leading zeros
    std::snprintf(vendor, sizeof vendor, "%x", static_cast<unsigned>(korvel::testing::BuildVendorId));
    for (const auto &e : expected) {
        SCOPED_TRACE(e.number);
        const Node node = readerNode(e.number);
        const Parent intf(node.syspath, "usb", "usb_interface");
        EXPECT_EQ(intf.attr("bInterfaceNumber"), std::string("0") + e.number);
        EXPECT_EQ(intf.attr("bInterfaceClass"), "03");
        EXPECT_EQ(intf.prop("PRODUCT"), std::string(vendor) + "/1/100");
        EXPECT_EQ(intf.prop("INTERFACE"), e.triple);

        const Parent hid(node.syspath, "hid");
        EXPECT_EQ(hid.prop("HID_ID"), "0003:0000" + korvel::testing::BuildVendorHex(true) + ":00000001");
        EXPECT_EQ(hid.prop("HID_NAME"), "Korvel Project USB RFID Reader Ver: 1.7");
        EXPECT_EQ(hid.prop("HID_PHYS"), e.phys);
        EXPECT_EQ(hid.prop("HID_UNIQ"), "");
        EXPECT_EQ(hid.prop("DRIVER"), "hid-generic");
        EXPECT_EQ(hid.prop("MODALIAS"), "hid:b0003g0001v0000" + korvel::testing::BuildVendorHex(true) + "p00000001");

        // Real sysfs: hidrawN/device -> ../../../<hid device>
        char target[256] = {};
        ASSERT_GT(::readlink((node.syspath + "/device").c_str(), target, sizeof target - 1), 0);
        EXPECT_EQ(target, "../../../" + std::string(udev_device_get_sysname(hid.device)));
    }
}

TEST_F(Enumeration, MouseSitsOnItsOwnUsbDevice)
{
    bus->plugMouse();
    for (const Node &node : hidrawNodes()) {
        const Parent usb(node.syspath, "usb", "usb_device");
        if (usb.attr("idVendor") != "046d")
            continue;
        EXPECT_EQ(usb.attr("idProduct"), "c077");
        EXPECT_EQ(usb.attr("bNumInterfaces"), " 1");
        EXPECT_EQ(Parent(node.syspath, "usb", "usb_interface").prop("INTERFACE"), "3/1/2");
        EXPECT_NE(Parent(node.syspath, "hid").prop("HID_NAME"), "<none>");
        return;
    }
    FAIL() << "no mouse node";
}

// ---- hidraw ioctls --------------------------------------------------------

using Ioctls = BusTest;

TEST_F(Ioctls, DescriptorMatchesSysfsAndDeclaresTheReports)
{
    const Node node = readerNode("0");
    Fd fd(node.devnode);
    ASSERT_GE(fd.get(), 0);
    int size = 0;
    ASSERT_EQ(ioctlAnswer(fd.get(), HIDIOCGRDESCSIZE, &size).result, 0);
    hidraw_report_descriptor descriptor{};
    descriptor.size = static_cast<uint32_t>(size);
    ASSERT_EQ(ioctlAnswer(fd.get(), HIDIOCGRDESC, &descriptor).result, 0);
    const Bytes bytes(descriptor.value, descriptor.value + size);
    const Parent hid(node.syspath, "hid");
    ASSERT_TRUE(hid.device);
    EXPECT_EQ(bytes, readFile(std::string(udev_device_get_syspath(hid.device)) + "/report_descriptor"));
    const ReportBits bits = reportBits(bytes);
    EXPECT_EQ(bits.input, 8u * 8);  // modifiers, reserved, six keys
    EXPECT_EQ(bits.output, 8u);     // LEDs and padding
    EXPECT_EQ(bits.feature, 8u * 8); // nine bytes with the report ID

    Fd raw(readerNode("1").devnode);
    ASSERT_EQ(ioctlAnswer(raw.get(), HIDIOCGRDESCSIZE, &size).result, 0);
    descriptor.size = static_cast<uint32_t>(size);
    ASSERT_EQ(ioctlAnswer(raw.get(), HIDIOCGRDESC, &descriptor).result, 0);
    const ReportBits rawBits = reportBits(Bytes(descriptor.value, descriptor.value + size));
    EXPECT_EQ(rawBits.input, 64u * 8);
    EXPECT_EQ(rawBits.output, 64u * 8);
    EXPECT_EQ(rawBits.feature, 0u);
}

TEST_F(Ioctls, LongFeatureReportIsDeclared)
{
    replug({}, 65);
    Fd fd(readerNode("0").devnode);
    hidraw_report_descriptor descriptor{};
    descriptor.size = HID_MAX_DESCRIPTOR_SIZE - 1;
    ASSERT_EQ(ioctlAnswer(fd.get(), HIDIOCGRDESC, &descriptor).result, 0);
    int size = 0;
    ioctlAnswer(fd.get(), HIDIOCGRDESCSIZE, &size);
    EXPECT_EQ(reportBits(Bytes(descriptor.value, descriptor.value + size)).feature, 64u * 8);
    Bytes request = report({CmdRequestData, ItemFactoryId}, 65);
    EXPECT_EQ(ioctlAnswer(fd.get(), HIDIOCSFEATURE(65), request.data()).result, 65);
}

TEST_F(Ioctls, IdentityQueries)
{
    Fd fd(readerNode("0").devnode);
    hidraw_devinfo info{};
    ASSERT_EQ(ioctlAnswer(fd.get(), HIDIOCGRAWINFO, &info).result, 0);
    EXPECT_EQ(info.bustype, 3u); // BUS_USB
    EXPECT_EQ(static_cast<uint16_t>(info.vendor), korvel::testing::BuildVendorId);
    EXPECT_EQ(static_cast<uint16_t>(info.product), 0x0001);

    const std::string name = "Korvel Project USB RFID Reader Ver: 1.7";
    char text[256] = {};
    EXPECT_EQ(ioctlAnswer(fd.get(), HIDIOCGRAWNAME(256), text).result, static_cast<int>(name.size() + 1));
    EXPECT_EQ(text, name);
    char shortText[6] = {};
    EXPECT_EQ(ioctlAnswer(fd.get(), HIDIOCGRAWNAME(5), shortText).result, 5); // cut, like the kernel
    EXPECT_STREQ(shortText, "Korve");
    EXPECT_GT(ioctlAnswer(fd.get(), HIDIOCGRAWPHYS(256), text).result, 0);
    EXPECT_STREQ(text, "usb-0000:00:14.0-1/input0");
}

TEST_F(Ioctls, FeatureReportsReachTheFirmware)
{
    Fd fd(readerNode("0").devnode);
    Bytes request = report({CmdRequestData, ItemFactoryId});
    ASSERT_EQ(ioctlAnswer(fd.get(), HIDIOCSFEATURE(9), request.data()).result, 9);
    Bytes answer(9, 0xEE);
    answer[0] = 0;
    ASSERT_EQ(ioctlAnswer(fd.get(), HIDIOCGFEATURE(9), answer.data()).result, 9);
    EXPECT_EQ(Bytes(answer.begin() + 1, answer.begin() + 5), (Bytes{0x10, 0x27, 0, 0})); // 10000

    const auto log = firmware->transfers();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[0].kind, Transfer::Kind::SetFeature);
    EXPECT_EQ(log[0].bytes, request);
    EXPECT_EQ(log[1].kind, Transfer::Kind::GetFeature);
}

TEST_F(Ioctls, RefusedTransferIsAStall)
{
    Fd fd(readerNode("0").devnode);
    Bytes request = report({CmdRequestData, ItemFactoryId});
    firmware->failNextTransfers(1);
    const Answer refused = ioctlAnswer(fd.get(), HIDIOCSFEATURE(9), request.data());
    EXPECT_EQ(refused.result, -1);
    EXPECT_EQ(refused.error, EPIPE);
    EXPECT_EQ(ioctlAnswer(fd.get(), HIDIOCSFEATURE(9), request.data()).result, 9);
    EXPECT_EQ(ioctlAnswer(fd.get(), HIDIOCSFEATURE(1), request.data()).error, EINVAL); // no data byte
}

TEST_F(Ioctls, OtherNodesAnswerInfoButStallFeatures)
{
    bus->plugMouse();
    for (const Node &node : hidrawNodes()) {
        if (node.devnode == readerNode("0").devnode)
            continue;
        SCOPED_TRACE(node.devnode);
        Fd fd(node.devnode);
        hidraw_devinfo info{};
        EXPECT_EQ(ioctlAnswer(fd.get(), HIDIOCGRAWINFO, &info).result, 0);
        Bytes request = report({CmdRequestData, ItemFactoryId});
        EXPECT_EQ(ioctlAnswer(fd.get(), HIDIOCSFEATURE(9), request.data()).error, EPIPE);
        EXPECT_EQ(ioctlAnswer(fd.get(), HIDIOCGFEATURE(9), request.data()).error, EPIPE);
    }
    EXPECT_TRUE(firmware->transfers().empty());
}

TEST_F(Ioctls, UnknownRequestsFailWithoutHanging)
{
    Fd fd(readerNode("0").devnode);
    termios tio{};
    EXPECT_EQ(ioctlAnswer(fd.get(), TCGETS, &tio).error, EINVAL);
    int value = 0;
    EXPECT_EQ(ioctlAnswer(fd.get(), _IOR('H', 0x7F, int), &value).error, ENOTTY);
}

TEST_F(Ioctls, OpenCountFollowsOpenAndClose)
{
    EXPECT_EQ(bus->openCount(1), 0);
    {
        Fd first(readerNode("1").devnode), second(readerNode("1").devnode);
        EXPECT_EQ(bus->openCount(1), 2);
        EXPECT_EQ(bus->openCount(0), 0);
    }
    EXPECT_EQ(bus->openCount(1), 0);
    Fd held(readerNode("0").devnode);
    EXPECT_EQ(bus->openCount(0), 1);
    bus->unplugReader();
    EXPECT_EQ(bus->openCount(0), 0);
}

// ---- Raw reports of interface 1 ---------------------------------------------

class RawReports : public BusTest {
protected:
    using RawReport = ReaderFirmware::RawReport;

    void advancedMode()
    {
        ReaderSettings settings = firmware->settings();
        settings.deviceMode = 1;
        firmware->setSettings(settings);
    }
    // An output report as the library writes it: report ID 0 first.
    static RawReport outputReport(const Bytes &data)
    {
        RawReport report{};
        report[1] = static_cast<uint8_t>(data.size());
        std::copy(data.begin(), data.end(), report.begin() + 2);
        return report;
    }
    static bool readable(int fd, int timeoutMs)
    {
        pollfd p{fd, POLLIN, 0};
        return ::poll(&p, 1, timeoutMs) > 0 && (p.revents & POLLIN);
    }
    // One read() of a whole input report: the 64 bytes after its ID byte;
    // empty (and a failure) when none comes before the deadline.
    static Bytes readReport(int fd)
    {
        Bytes bytes(64);
        if (!readable(fd, DeadlineMs)) {
            ADD_FAILURE() << "no input report within " << DeadlineMs << " ms";
            return {};
        }
        const ssize_t n = ::read(fd, bytes.data(), bytes.size());
        bytes.resize(n < 0 ? 0 : static_cast<size_t>(n));
        return bytes;
    }
    // Nothing but what the firmware sends next arrives: a marker report sent
    // now is the next one read (the node's byte stream keeps the order).
    void expectNothingQueued(int fd)
    {
        firmware->sendInputReport(Marker);
        const Bytes next = readReport(fd);
        EXPECT_EQ(Bytes(next.begin(), next.begin() + std::min<size_t>(next.size(), 1 + Marker.size())),
                  (Bytes{uint8_t(Marker.size()), 'm', 'a', 'r', 'k'}))
            << "a report arrived before the marker";
    }
    static inline const Bytes Marker = {'m', 'a', 'r', 'k'};
};

// Bytes a terminal line discipline would translate or act upon.
const Bytes ControlBytes = {0x0D, 0x0A, 0x03, 0x04, 0x7F, 0xFF, 0x11, 0x13, 0x1A, 0x1C, 0x00, 0x15, 0x17, 0x12};

TEST_F(RawReports, OutputReportReachesTheFirmwareByteForByte)
{
    Fd fd(readerNode("1").devnode);
    RawReport report = outputReport({'A', 'B'});
    for (size_t i = 4; i < report.size(); ++i)
        report[i] = static_cast<uint8_t>(i * 7);
    ASSERT_EQ(::write(fd.get(), report.data(), report.size()), 65);
    const auto received = firmware->outputReports();
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0], report);
}

TEST_F(RawReports, EchoIsOneReadAndPollSeesIt)
{
    advancedMode();
    Fd fd(readerNode("1").devnode, O_NONBLOCK);
    EXPECT_FALSE(readable(fd.get(), 0));
    const RawReport report = outputReport({1, 2, 3});
    ASSERT_EQ(::write(fd.get(), report.data(), report.size()), 65);
    ASSERT_TRUE(readable(fd.get(), DeadlineMs)) << "no echo within " << DeadlineMs << " ms";
    Bytes echo(64, 0xEE);
    ASSERT_EQ(::read(fd.get(), echo.data(), echo.size()), 64);
    EXPECT_EQ(Bytes(echo.begin(), echo.begin() + 4), (Bytes{3, 1, 2, 3})); // length byte first, no ID byte
    EXPECT_EQ(echo[4], 0);
    expectNothingQueued(fd.get()); // one report, read once
}

TEST_F(RawReports, NormalModeOnlyLogsTheOutputReport)
{
    Fd fd(readerNode("1").devnode, O_NONBLOCK);
    const RawReport report = outputReport({9});
    ASSERT_EQ(::write(fd.get(), report.data(), report.size()), 65);
    EXPECT_EQ(firmware->outputReports().size(), 1u);
    expectNothingQueued(fd.get());
}

TEST_F(RawReports, NothingIsQueuedWhileTheNodeIsClosed)
{
    const std::string node = readerNode("1").devnode;
    {
        Fd held(node, O_NONBLOCK);
        firmware->sendInputReport({'o', 'l', 'd'}); // read by nobody
    }
    firmware->sendInputReport({'l', 'o', 's', 't'});
    Fd fd(node, O_NONBLOCK);
    firmware->sendInputReport({'n', 'e', 'w'});
    const Bytes got = readReport(fd.get()); // the first report read: nothing old before it
    ASSERT_EQ(got.size(), 64u);
    EXPECT_EQ(Bytes(got.begin(), got.begin() + 4), (Bytes{3, 'n', 'e', 'w'}));
    expectNothingQueued(fd.get());
}

TEST_F(RawReports, ControlBytesPassUnchangedBothWays)
{
    advancedMode();
    Fd fd(readerNode("1").devnode, O_NONBLOCK);
    RawReport out = outputReport(ControlBytes);
    ASSERT_EQ(::write(fd.get(), out.data(), out.size()), 65);
    ASSERT_EQ(firmware->outputReports().size(), 1u);
    EXPECT_EQ(firmware->outputReports()[0], out);
    const Bytes echo = readReport(fd.get());
    ASSERT_EQ(echo.size(), 64u);
    EXPECT_EQ(Bytes(echo.begin() + 1, echo.begin() + 1 + ControlBytes.size()), ControlBytes);

    RawReport in{};
    for (size_t i = 1; i < in.size(); ++i)
        in[i] = ControlBytes[i % ControlBytes.size()];
    firmware->sendRawInputReport(in);
    EXPECT_EQ(readReport(fd.get()), Bytes(in.begin() + 1, in.end()));
}

TEST_F(RawReports, StreamArrivesAsWholeReportsInOrder)
{
    Fd fd(readerNode("1").devnode, O_NONBLOCK);
    constexpr int Count = 200;
    firmware->streamInputReports(Count, 63);
    for (int i = 0; i < Count; ++i) {
        const Bytes got = readReport(fd.get());
        ASSERT_EQ(got.size(), 64u) << "report " << i;
        uint32_t sequence = 0;
        std::memcpy(&sequence, got.data() + 1, sizeof sequence);
        ASSERT_EQ(sequence, static_cast<uint32_t>(i));
        EXPECT_EQ(got[63], 0xA5);
    }
    expectNothingQueued(fd.get());
}

TEST_F(RawReports, WritesFailLikeTheKernels)
{
    const RawReport report = outputReport({1});
    Fd keyboard(readerNode("0").devnode);
    errno = 0;
    EXPECT_EQ(::write(keyboard.get(), report.data(), report.size()), -1); // no raw channel there
    EXPECT_EQ(errno, EPIPE);
    Fd raw(readerNode("1").devnode);
    errno = 0;
    EXPECT_EQ(::write(raw.get(), report.data(), 1), -1); // the report ID alone
    EXPECT_EQ(errno, EINVAL);
    bus->unplugReader();
    errno = 0;
    EXPECT_EQ(::write(raw.get(), report.data(), report.size()), -1);
    EXPECT_EQ(errno, ENODEV);
    uint8_t byte;
    errno = 0;
    EXPECT_EQ(::read(raw.get(), &byte, 1), -1);
    EXPECT_EQ(errno, ENODEV);
    EXPECT_TRUE(firmware->outputReports().empty());
}

// ---- Plugging, unplugging, dropping off ------------------------------------

class Hotplug : public BusTest {
protected:
    void SetUp() override
    {
        BusTest::SetUp();
        monitor.reset(udev_monitor_new_from_netlink(context.get(), "udev"));
        udev_monitor_filter_add_match_subsystem_devtype(monitor.get(), "hidraw", nullptr);
        udev_monitor_enable_receiving(monitor.get());
    }
    // The actions of the next `count` uevents, waiting for each; then what
    // is queued besides. The bus sends its uevents before a plug or an
    // unplug returns, so nothing more is on its way.
    std::vector<std::string> events(size_t count)
    {
        std::vector<std::string> actions;
        while (actions.size() < count && receive(DeadlineMs, actions)) {
        }
        if (actions.size() < count)
            ADD_FAILURE() << actions.size() << " of " << count << " uevents within " << DeadlineMs << " ms each";
        while (receive(0, actions)) {
        }
        return actions;
    }
    bool receive(int timeoutMs, std::vector<std::string> &actions)
    {
        pollfd p{udev_monitor_get_fd(monitor.get()), POLLIN, 0};
        if (::poll(&p, 1, timeoutMs) <= 0)
            return false;
        if (UdevPtr<udev_device> device{udev_monitor_receive_device(monitor.get())})
            actions.push_back(udev_device_get_action(device.get()));
        return true;
    }
    UdevPtr<udev> context{udev_new()};
    UdevPtr<udev_monitor> monitor;
};

TEST_F(Hotplug, UnplugAndPlugAreSeenByMonitors)
{
    const std::string devnode = readerNode("0").devnode;
    bus->unplugReader();
    EXPECT_FALSE(bus->readerPlugged());
    EXPECT_EQ(hidrawCount(), 0u);
    EXPECT_LT(Fd(devnode).get(), 0);
    EXPECT_EQ(events(2), (std::vector<std::string>{"remove", "remove"}));

    bus->plugReader(*firmware);
    EXPECT_EQ(hidrawCount(), 2u);
    EXPECT_EQ(events(2), (std::vector<std::string>{"add", "add"}));
    EXPECT_EQ(readerNode("0").devnode, devnode); // the lowest free number, as the kernel gives
}

TEST_F(Hotplug, NodeHeldOpenAcrossUnplugGivesEnodev)
{
    Fd stale(readerNode("0").devnode);
    bus->unplugReader();
    hidraw_devinfo info{};
    EXPECT_EQ(ioctlAnswer(stale.get(), HIDIOCGRAWINFO, &info).error, ENODEV);
    bus->plugReader(*firmware);
    EXPECT_EQ(ioctlAnswer(stale.get(), HIDIOCGRAWINFO, &info).error, ENODEV);
    Fd fresh(readerNode("0").devnode);
    EXPECT_EQ(ioctlAnswer(fresh.get(), HIDIOCGRAWINFO, &info).result, 0);
}

TEST_F(Hotplug, DroppingOffTheBusUnplugsTheReader)
{
    Fd fd(readerNode("0").devnode);
    firmware->dropAfter(1);
    Bytes request = report({CmdRequestData, ItemFactoryId});
    EXPECT_EQ(ioctlAnswer(fd.get(), HIDIOCSFEATURE(9), request.data()).result, 9);
    EXPECT_EQ(ioctlAnswer(fd.get(), HIDIOCSFEATURE(9), request.data()).error, ENODEV);
    // The bus unplugs the reader on a thread of its own: its uevents tell when.
    EXPECT_EQ(events(2), (std::vector<std::string>{"remove", "remove"}));
    EXPECT_FALSE(bus->readerPlugged());
    EXPECT_EQ(hidrawCount(), 0u);
}

TEST_F(Hotplug, ReplugsWithAnUnreadMonitorLeakNothing)
{
    auto openFds = [] {
        int count = 0;
        DIR *dir = ::opendir("/proc/self/fd");
        while (::readdir(dir))
            ++count;
        ::closedir(dir);
        return count;
    };
    const int before = openFds();
    for (int i = 0; i < 10; ++i) // more uevents than the monitor's queue holds
        replug();
    // umockdev's worker thread opens and closes descriptors of its own around
    // a plug, so `before` may hold one that is gone since: no more than then.
    EXPECT_TRUE(eventually([&] { return openFds() <= before; }))
        << "back to the descriptors open before: " << openFds() << " open, " << before << " before";
    EXPECT_EQ(hidrawCount(), 2u);
    events(0); // what the monitor's queue kept
    bus->unplugReader();
    EXPECT_EQ(events(2), (std::vector<std::string>{"remove", "remove"})); // the monitor still works
}

TEST_F(Hotplug, AMonitorWhoseProcessEndedDoesNotEndTheBus)
{
    // As umockdev sends a uevent: connected to a monitor's socket, which
    // closes (its process ends) before the send.
    const std::string path = std::string(std::getenv("UMOCKDEV_DIR")) + "/event-closed-monitor";
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    const int monitorSocket = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    const int sender = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    ASSERT_EQ(::bind(monitorSocket, reinterpret_cast<sockaddr *>(&address), sizeof address), 0);
    ASSERT_EQ(::connect(sender, reinterpret_cast<sockaddr *>(&address), sizeof address), 0);
    ::close(monitorSocket);
    ::unlink(path.c_str());
    char text[] = "remove";
    iovec data{text, sizeof text};
    msghdr message{};
    message.msg_iov = &data;
    message.msg_iovlen = 1;
    EXPECT_EQ(::sendmsg(sender, &message, 0), static_cast<ssize_t>(sizeof text));
    ::close(sender);
}

TEST_F(Hotplug, OtherHidDevicesGetTheirOwnNodes)
{
    const auto before = hidrawNodes();
    bus->addOtherHidDevices(3);
    otherDevices += 3;
    const auto after = hidrawNodes();
    ASSERT_EQ(after.size(), before.size() + 3);
    for (size_t i = 0; i < after.size(); ++i)
        for (size_t j = i + 1; j < after.size(); ++j) {
            EXPECT_NE(after[i].syspath, after[j].syspath);
            EXPECT_NE(after[i].devnode, after[j].devnode);
        }
    EXPECT_EQ(events(3), (std::vector<std::string>{"add", "add", "add"}));
}

} // namespace
