// The virtual reader on the kernel's own USB stack (READERSIM_BUS=kernel,
// inside the guest of `readersim vm`): what only the real kernel can tell.
// Skipped on the umockdev bus.
#include "KeyCodes.h"
#include "KeyboardOutput.h"
#include "ReaderFirmware.h"
#include "UsageKeys.h"
#include "VirtualBus.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <linux/input.h>
#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

readersim::ReaderFirmware *firmware;
readersim::VirtualBus *bus;

bool onKernelBus()
{
    const char *name = std::getenv("READERSIM_BUS");
    return name && std::string(name) == "kernel";
}

// A descriptor that closes itself.
struct Fd {
    int fd;
    explicit Fd(int f) : fd(f) {}
    ~Fd()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

// The reader's hidraw node of `interface` (and a mouse's, `mouse`), from sysfs.
std::string hidrawNode(int interface, bool mouse = false)
{
    namespace fs = std::filesystem;
    std::error_code error;
    const std::string id = mouse ? "0003:0000046D:0000C077" : "0003:00001209:00000001";
    for (const auto &entry : fs::directory_iterator("/sys/class/hidraw", error)) {
        const std::string device = fs::canonical(entry.path() / "device", error).string();
        std::ifstream uevent(entry.path() / "device" / "uevent");
        std::string line;
        bool match = false;
        while (std::getline(uevent, line))
            match = match || line == "HID_ID=" + id;
        if (match && device.find(":1." + std::to_string(interface) + "/") != std::string::npos)
            return "/dev/" + entry.path().filename().string();
    }
    return "";
}

// The next key event (type EV_KEY) on `fd`, within 10 s.
std::optional<input_event> nextKey(int fd)
{
    const auto end = Clock::now() + std::chrono::seconds(10);
    while (Clock::now() < end) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 100) <= 0)
            continue;
        input_event event{};
        if (::read(fd, &event, sizeof event) != sizeof event)
            return std::nullopt;
        if (event.type == EV_KEY)
            return event;
    }
    return std::nullopt;
}

class KernelBus : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!onKernelBus())
            GTEST_SKIP() << "needs the kernel's bus (READERSIM_BUS=kernel, see readersim vm)";
        if (!bus->readerPlugged())
            bus->plugReader(*firmware);
    }
};

// Every usage of the boot keyboard, pressed alone and let go, becomes the
// key the umockdev bus's table and the card listener's table name.
TEST_F(KernelBus, KeyTablesMatchHidInput)
{
    Fd node(::open(bus->keyboardNode().c_str(), O_RDONLY | O_CLOEXEC));
    ASSERT_GE(node.fd, 0) << bus->keyboardNode();
    ASSERT_EQ(::ioctl(node.fd, EVIOCGRAB, 1), 0); // the console's keyboard sees none of it
    std::vector<int> usages;
    for (int usage = 0x04; usage <= 0x65; ++usage)
        usages.push_back(usage);
    for (int usage = 0xE0; usage <= 0xE7; ++usage)
        usages.push_back(usage);
    for (const int usage : usages) {
        readersim::BootReport press;
        if (usage >= 0xE0)
            press.modifiers = static_cast<uint8_t>(1u << (usage - 0xE0));
        else
            press.keys[0] = static_cast<uint8_t>(usage);
        bus->typeOnKeyboardInterface({press, {}});
        const auto down = nextKey(node.fd), up = nextKey(node.fd);
        ASSERT_TRUE(down && up) << "no key for usage " << usage;
        EXPECT_EQ(down->value, 1);
        EXPECT_EQ(up->value, 0);
        EXPECT_EQ(down->code, readersim::KernelKeyOfUsage(static_cast<uint8_t>(usage))) << "usage " << usage;
        EXPECT_EQ(down->code, cardlistener::KeyCodeOfUsage(static_cast<uint8_t>(usage))) << "usage " << usage;
    }
}

// Each open file of a hidraw node gets every report from its open on: two
// readers both see one report, and one opened after it sees none.
TEST_F(KernelBus, EachOpenHasItsOwnQueue)
{
    readersim::ReaderSettings advanced;
    advanced.deviceMode = 1;
    firmware->setSettings(advanced);
    const std::string node = hidrawNode(1);
    Fd first(::open(node.c_str(), O_RDWR | O_CLOEXEC)), second(::open(node.c_str(), O_RDWR | O_CLOEXEC));
    ASSERT_GE(first.fd, 0);
    ASSERT_GE(second.fd, 0);
    firmware->sendInputReport({'h', 'i'});
    for (int fd : {first.fd, second.fd}) {
        pollfd p{fd, POLLIN, 0};
        ASSERT_EQ(::poll(&p, 1, 10000), 1);
        uint8_t report[64];
        ASSERT_EQ(::read(fd, report, sizeof report), 64);
        EXPECT_EQ(report[0], 2);
        EXPECT_EQ(report[1], 'h');
    }
    Fd late(::open(node.c_str(), O_RDWR | O_CLOEXEC));
    pollfd p{late.fd, POLLIN, 0};
    EXPECT_EQ(::poll(&p, 1, 300), 0) << "a new open starts with an empty queue";
}

// The build's udev rule gives the reader's hidraw nodes and its event node
// the "uaccess" tag, and nothing else of the bus.
TEST_F(KernelBus, UdevRuleTagsTheReadersNodes)
{
    if (::access("/etc/udev/rules.d/70-korvel.rules", F_OK) != 0 || ::access("/run/udev/control", F_OK) != 0)
        GTEST_SKIP() << "no udevd or no rule from the build";
    bus->plugMouse();
    auto tags = [](const std::string &node) {
        const std::string command = "udevadm info --query=property --name=" + node + " 2>/dev/null";
        std::string out;
        if (std::FILE *pipe = ::popen(command.c_str(), "r")) {
            char line[512];
            while (std::fgets(line, sizeof line, pipe))
                if (std::string(line).rfind("TAGS=", 0) == 0)
                    out = line;
            ::pclose(pipe);
        }
        return out;
    };
    for (const std::string &node : {hidrawNode(0), hidrawNode(1), bus->keyboardNode()})
        EXPECT_NE(tags(node).find(":uaccess:"), std::string::npos) << node;
    const std::string mouse = hidrawNode(0, true);
    ASSERT_FALSE(mouse.empty());
    EXPECT_EQ(tags(mouse).find(":uaccess:"), std::string::npos) << "the mouse";
    bus->unplugMouse();
}

} // namespace

int main(int argc, char **argv)
{
    readersim::VirtualBus::ensurePreload(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    if (!onKernelBus())
        return RUN_ALL_TESTS(); // every test skips
    auto fw = std::make_unique<readersim::ReaderFirmware>();
    auto b = std::make_unique<readersim::VirtualBus>();
    firmware = fw.get();
    bus = b.get();
    bus->plugReader(*firmware);
    const int result = RUN_ALL_TESTS();
    b.reset();
    return result;
}
