// A client of the virtual bus for the shell tests, run under the testbed:
//
//   readersim_probe monitor COUNT   prints "listening FD" once its udev
//                                   monitor is receiving, then the action of
//                                   each of COUNT hidraw uevents, one a line
//   readersim_probe sound N         sends the reader's PlaySound command N
//
// Exit status 0, or 1 with a message (no uevent within the deadline, no reader).
#include "ReaderFirmware.h"

#include <fcntl.h>
#include <libudev.h>
#include <linux/hidraw.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

namespace {

constexpr int DeadlineMs = 30000;

struct UdevUnref {
    void operator()(udev *u) const { udev_unref(u); }
    void operator()(udev_monitor *m) const { udev_monitor_unref(m); }
    void operator()(udev_device *d) const { udev_device_unref(d); }
    void operator()(udev_enumerate *e) const { udev_enumerate_unref(e); }
};
template <typename T>
using UdevPtr = std::unique_ptr<T, UdevUnref>;

int monitor(int count)
{
    // The same descriptor numbers in every probe, whatever the shell left open.
    for (int fd = 3; fd < 1024; ++fd)
        ::close(fd);
    UdevPtr<udev> context(udev_new());
    UdevPtr<udev_monitor> monitor(udev_monitor_new_from_netlink(context.get(), "udev"));
    if (!monitor || udev_monitor_filter_add_match_subsystem_devtype(monitor.get(), "hidraw", nullptr) < 0 ||
        udev_monitor_enable_receiving(monitor.get()) < 0) {
        std::fputs("readersim_probe: cannot create a udev monitor\n", stderr);
        return 1;
    }
    std::printf("listening %d\n", udev_monitor_get_fd(monitor.get()));
    std::fflush(stdout);
    for (int seen = 0; seen < count;) {
        pollfd ready{udev_monitor_get_fd(monitor.get()), POLLIN, 0};
        if (::poll(&ready, 1, DeadlineMs) <= 0) {
            std::fprintf(stderr, "readersim_probe: %d of %d uevents within %d ms\n", seen, count, DeadlineMs);
            return 1;
        }
        if (UdevPtr<udev_device> device{udev_monitor_receive_device(monitor.get())}) {
            std::printf("%s\n", udev_device_get_action(device.get()));
            std::fflush(stdout);
            ++seen;
        }
    }
    return 0;
}

// The hidraw node of the reader's interface 0.
std::string readerNode()
{
    UdevPtr<udev> context(udev_new());
    UdevPtr<udev_enumerate> scan(udev_enumerate_new(context.get()));
    udev_enumerate_add_match_subsystem(scan.get(), "hidraw");
    udev_enumerate_scan_devices(scan.get());
    udev_list_entry *entry;
    udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(scan.get()))
    {
        const std::string syspath = udev_list_entry_get_name(entry);
        UdevPtr<udev_device> device(udev_device_new_from_syspath(context.get(), syspath.c_str()));
        if (device && syspath.find(":1.0/") != std::string::npos && udev_device_get_devnode(device.get()))
            return udev_device_get_devnode(device.get());
    }
    return {};
}

int sound(int code)
{
    const std::string node = readerNode();
    const int fd = node.empty() ? -1 : ::open(node.c_str(), O_RDWR | O_CLOEXEC);
    std::array<uint8_t, 9> report{0, readersim::CmdPlaySound, static_cast<uint8_t>(code)};
    const bool sent = fd >= 0 && ::ioctl(fd, HIDIOCSFEATURE(report.size()), report.data()) == int(report.size());
    if (fd >= 0)
        ::close(fd);
    if (!sent)
        std::fprintf(stderr, "readersim_probe: cannot send to the reader (%s)\n", node.empty() ? "no node" : node.c_str());
    return sent ? 0 : 1;
}

} // namespace

int main(int argc, char **argv)
{
    const std::string mode = argc == 3 ? argv[1] : "";
    if (mode == "monitor")
        return monitor(std::atoi(argv[2]));
    if (mode == "sound")
        return sound(std::atoi(argv[2]));
    std::fputs("usage: readersim_probe monitor COUNT | sound N\n", stderr);
    return 2;
}
