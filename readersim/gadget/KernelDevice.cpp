#include "KernelDevice.h"

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <optional>
#include <stdexcept>
#include <thread>

namespace readersim {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
constexpr auto Deadline = std::chrono::seconds(90); // udev under emulation, busy with many devices
constexpr auto Poll = std::chrono::milliseconds(5);

// The one entry of `dir` whose name starts with `prefix` (and has `contains`).
std::optional<fs::path> entryOf(const fs::path &dir, const std::string &prefix, const std::string &contains = "")
{
    std::error_code error;
    for (const auto &entry : fs::directory_iterator(dir, error)) {
        const std::string name = entry.path().filename();
        if (name.rfind(prefix, 0) == 0 && name.find(contains) != std::string::npos)
            return entry.path();
    }
    return std::nullopt;
}

std::string readLine(const fs::path &file)
{
    std::string line;
    std::ifstream in(file);
    std::getline(in, line);
    return line;
}

// The node's /dev path, once it exists and udev (when running) is done with it.
std::optional<std::string> readyNode(const fs::path &sysfsNode, const std::string &devDir, bool udev)
{
    const std::string path = devDir + sysfsNode.filename().string();
    struct stat st{};
    if (::stat(path.c_str(), &st) != 0)
        return std::nullopt;
    // udev writes its database entry once its rules have run (permissions,
    // links); libudev monitors hear the device only after that.
    if (udev && ::access("/run/udev/control", F_OK) == 0) {
        const std::string dev = readLine(sysfsNode / "dev");
        if (dev.empty() || ::access(("/run/udev/data/c" + dev).c_str(), F_OK) != 0)
            return std::nullopt;
    }
    return path;
}

std::optional<KernelDevice> lookUp(const std::string &udc, size_t interfaces, bool keyboard, bool udev)
{
    const std::string suffix = udc.substr(udc.rfind('.') + 1);
    const fs::path controller = "/sys/devices/platform/dummy_hcd." + suffix;
    const auto bus = entryOf(controller, "usb");
    if (!bus)
        return std::nullopt;
    const std::string busNumber = bus->filename().string().substr(3);
    const fs::path usb = *bus / (busNumber + "-1");
    KernelDevice device{usb.string(), {}, {}};
    for (size_t i = 0; i < interfaces; ++i) {
        const fs::path interface = usb / (busNumber + "-1:1." + std::to_string(i));
        const auto hid = entryOf(interface, "0003:");
        const auto hidraw = hid ? entryOf(*hid / "hidraw", "hidraw") : std::nullopt;
        const auto node = hidraw ? readyNode(*hidraw, "/dev/", udev) : std::nullopt;
        // The kernel has 64 hidraw nodes at most: past them a HID device
        // has its input device only, which will do for one that is only
        // there to be enumerated.
        if (!node && !(!udev && !keyboard && hid && entryOf(*hid / "input", "input")))
            return std::nullopt;
        device.hidrawNodes.push_back(node.value_or(""));
        if (keyboard && i == 0) {
            const auto input = entryOf(*hid / "input", "input");
            const auto event = input ? entryOf(*input, "event") : std::nullopt;
            const auto eventNode = event ? readyNode(*event, "/dev/input/", udev) : std::nullopt;
            if (!eventNode)
                return std::nullopt;
            device.eventNode = *eventNode;
        }
    }
    return device;
}

} // namespace

KernelDevice KernelDevice::waitForPlug(const std::string &udc, size_t interfaces, bool keyboard, bool udev)
{
    const auto end = Clock::now() + Deadline;
    for (;;) {
        if (auto device = lookUp(udc, interfaces, keyboard, udev))
            return *device;
        if (Clock::now() > end)
            throw std::runtime_error("the kernel did not make the nodes of the device on " + udc + " within 90 s");
        std::this_thread::sleep_for(Poll);
    }
}

void KernelDevice::waitForUnplug(const KernelDevice &device)
{
    const auto end = Clock::now() + Deadline;
    while (::access(device.usbPath.c_str(), F_OK) == 0) {
        if (Clock::now() > end)
            throw std::runtime_error("the kernel did not remove " + device.usbPath + " within 90 s");
        std::this_thread::sleep_for(Poll);
    }
}

} // namespace readersim
