// The reader's keyboard interface as an input device on the virtual bus:
// its sysfs place beside the hidraw node, the evdev ioctls a listener uses,
// the grab, key events delivered as input_event records, and unplugging.
#include "KeyboardOutput.h"
#include "SharedBus.h"
#include "Udev.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <linux/input.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using namespace korvel::os::linux_udev;


bool bit(const uint8_t *bits, unsigned n)
{
    return bits[n / 8] & (1u << (n % 8));
}

// Reads `count` events, waiting on poll() for each with a generous deadline.
std::vector<input_event> readEvents(int fd, size_t count)
{
    std::vector<input_event> events;
    std::string bytes;
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (bytes.size() < count * sizeof(input_event) && std::chrono::steady_clock::now() < end) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 100) <= 0)
            continue;
        char chunk[256];
        const ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n > 0)
            bytes.append(chunk, static_cast<size_t>(n));
    }
    for (size_t at = 0; at + sizeof(input_event) <= bytes.size(); at += sizeof(input_event)) {
        input_event ev;
        std::memcpy(&ev, bytes.data() + at, sizeof ev);
        events.push_back(ev);
    }
    return events;
}

using EvdevNode = korvel::testing::BusTest;

TEST_F(EvdevNode, SitsUnderInterfaceZeroBesideItsHidrawNode)
{
    Udev context(udev_new());
    UdevDevice event(udev_device_new_from_subsystem_sysname(context.get(), "input", "event0"));
    ASSERT_TRUE(event);
    EXPECT_STREQ(udev_device_get_devnode(event.get()), "/dev/input/event0");
    EXPECT_EQ(property(event.get(), "ID_INPUT_KEYBOARD"), "1");
    udev_device *input = udev_device_get_parent_with_subsystem_devtype(event.get(), "input", nullptr);
    ASSERT_TRUE(input);
    EXPECT_EQ(attribute(input, "name"), "Korvel Project USB RFID Reader Ver: 1.7 Keyboard"); // as hid-generic names it
    udev_device *intf = udev_device_get_parent_with_subsystem_devtype(event.get(), "usb", "usb_interface");
    ASSERT_TRUE(intf);
    EXPECT_EQ(attribute(intf, "bInterfaceNumber"), "00");
    udev_device *hid = udev_device_get_parent_with_subsystem_devtype(event.get(), "hid", nullptr);
    ASSERT_TRUE(hid);
    const std::string hidraw = std::string(udev_device_get_syspath(hid)) + "/hidraw";
    EXPECT_EQ(::access(hidraw.c_str(), F_OK), 0) << hidraw;
}

TEST_F(EvdevNode, AnswersTheIoctlsOfAListener)
{
    const int fd = ::open("/dev/input/event0", O_RDONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0) << std::strerror(errno);
    int version = 0;
    EXPECT_EQ(::ioctl(fd, EVIOCGVERSION, &version), 0);
    EXPECT_EQ(version, EV_VERSION);
    input_id id{};
    EXPECT_EQ(::ioctl(fd, EVIOCGID, &id), 0);
    EXPECT_EQ(id.bustype, BUS_USB);
    EXPECT_EQ(id.vendor, 0x1209);
    EXPECT_EQ(id.product, 1);
    EXPECT_EQ(id.version, 0x0111); // bcdHID, as usbhid gives it
    char name[16] = {};
    EXPECT_EQ(::ioctl(fd, EVIOCGNAME(sizeof name), name), static_cast<int>(sizeof name));
    EXPECT_EQ(std::string(name, sizeof name - 1), "Korvel Project ");
    uint8_t types[4] = {}, keys[KEY_MAX / 8 + 1] = {};
    EXPECT_GT(::ioctl(fd, EVIOCGBIT(0, sizeof types), types), 0);
    EXPECT_TRUE(bit(types, EV_KEY) && bit(types, EV_SYN) && bit(types, EV_MSC));
    EXPECT_FALSE(bit(types, EV_REL) || bit(types, EV_ABS));
    EXPECT_GT(::ioctl(fd, EVIOCGBIT(EV_KEY, sizeof keys), keys), 0);
    for (unsigned key : {KEY_A, KEY_0, KEY_ENTER, KEY_LEFTSHIFT, KEY_RIGHTMETA})
        EXPECT_TRUE(bit(keys, key)) << key;
    EXPECT_FALSE(bit(keys, BTN_LEFT));
    EXPECT_EQ(::ioctl(fd, EVIOCGKEY(sizeof keys), keys), static_cast<int>(sizeof keys));
    EXPECT_EQ(::ioctl(fd, TCGETS, nullptr), -1); // not a terminal, though a PTY lies behind it
    ::close(fd);
}

TEST_F(EvdevNode, OneGrabAtATimeLetGoOnClose)
{
    const int first = ::open("/dev/input/event0", O_RDONLY | O_CLOEXEC);
    const int second = ::open("/dev/input/event0", O_RDONLY | O_CLOEXEC);
    ASSERT_GE(first, 0);
    ASSERT_GE(second, 0);
    EXPECT_FALSE(bus->keyboardGrabbed());
    EXPECT_EQ(::ioctl(first, EVIOCGRAB, 1), 0);
    EXPECT_TRUE(bus->keyboardGrabbed());
    EXPECT_EQ(::ioctl(second, EVIOCGRAB, 1), -1);
    EXPECT_EQ(errno, EBUSY);
    EXPECT_EQ(::ioctl(second, EVIOCGRAB, 0), -1); // not the holder
    EXPECT_EQ(errno, EINVAL);
    EXPECT_EQ(::ioctl(first, EVIOCGRAB, 0), 0);
    EXPECT_FALSE(bus->keyboardGrabbed());
    EXPECT_EQ(::ioctl(second, EVIOCGRAB, 1), 0);
    ::close(second); // without letting go
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (bus->keyboardGrabbed() && std::chrono::steady_clock::now() < end)
        ::usleep(1000);
    EXPECT_FALSE(bus->keyboardGrabbed());
    EXPECT_EQ(::ioctl(first, EVIOCGRAB, 1), 0);
    ::close(first);
}

TEST_F(EvdevNode, TypedReportsArriveAsKeyEventsAndUnplugEndsThem)
{
    const int fd = ::open("/dev/input/event0", O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    // 'A': Left Shift and the A key in one report, then let go.
    bus->typeOnKeyboardInterface({{0x02, {0x04}}, {}});
    const std::vector<input_event> events = readEvents(fd, 10);
    std::vector<std::vector<int>> seen;
    for (const input_event &ev : events)
        seen.push_back({ev.type, ev.code, ev.value});
    const std::vector<std::vector<int>> expected = {
        {EV_MSC, MSC_SCAN, 0x700E1}, {EV_KEY, KEY_LEFTSHIFT, 1}, {EV_MSC, MSC_SCAN, 0x70004}, {EV_KEY, KEY_A, 1},
        {EV_SYN, SYN_REPORT, 0},     {EV_MSC, MSC_SCAN, 0x700E1}, {EV_KEY, KEY_LEFTSHIFT, 0}, {EV_MSC, MSC_SCAN, 0x70004},
        {EV_KEY, KEY_A, 0},          {EV_SYN, SYN_REPORT, 0}};
    EXPECT_EQ(seen, expected);
    bus->unplugReader();
    char byte;
    EXPECT_EQ(::read(fd, &byte, 1), -1);
    EXPECT_EQ(errno, ENODEV);
    input_id id{};
    EXPECT_EQ(::ioctl(fd, EVIOCGID, &id), -1);
    ::close(fd);
    EXPECT_NE(::access("/dev/input/event0", F_OK), 0);
    bus->plugReader(*firmware);
    EXPECT_EQ(::access("/dev/input/event0", F_OK), 0);
}

TEST_F(EvdevNode, AReaderPluggedWithoutItHasOnlyItsHidrawNodes)
{
    try {
        bus->setReaderInputNode(false);
    } catch (const std::runtime_error &) {
        GTEST_SKIP() << "the kernel's bus always gives the reader its input device";
    }
    bus->unplugReader();
    bus->plugReader(*firmware);
    EXPECT_NE(::access("/dev/input/event0", F_OK), 0);
    EXPECT_EQ(::access("/dev/hidraw0", F_OK), 0);
    bus->unplugReader();
    bus->setReaderInputNode(true);
    bus->plugReader(*firmware);
    EXPECT_EQ(::access("/dev/input/event0", F_OK), 0);
}

// As the kernel's input core: a held key repeats (value 2, each with its
// SYN_REPORT, no scan code) until it is let go.
TEST_F(EvdevNode, HeldKeyRepeatsUntilLetGo)
{
    const int fd = ::open("/dev/input/event0", O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    bus->typeOnKeyboardInterface({{0, {0x04}}}); // A, held
    std::vector<input_event> events = readEvents(fd, 3 + 2 * 2); // the press and two repeats
    bus->typeOnKeyboardInterface({{}});
    ASSERT_GE(events.size(), 7u);
    for (size_t i = 3; i < 7; i += 2) {
        EXPECT_EQ(std::vector<int>({events[i].type, events[i].code, events[i].value}), std::vector<int>({EV_KEY, KEY_A, 2}));
        EXPECT_EQ(events[i + 1].type, EV_SYN);
    }
    // The release comes after any repeat still on its way.
    bool released = false;
    for (int i = 0; i < 100 && !released; ++i) {
        const std::vector<input_event> next = readEvents(fd, 1);
        ASSERT_FALSE(next.empty()) << "the release never came";
        for (const input_event &ev : next)
            released = released || (ev.type == EV_KEY && ev.value == 0);
    }
    EXPECT_TRUE(released);
    ::close(fd);
}

} // namespace
