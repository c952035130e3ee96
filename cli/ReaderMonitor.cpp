#include "ReaderMonitor.h"

#include "korvel.h"

#include <poll.h>

#include <algorithm>
#include <cerrno>

namespace korvelctl {
namespace {

using namespace korvel::os::linux_udev;

constexpr auto LookAgain = std::chrono::seconds(1);

} // namespace

ReaderMonitor::ReaderMonitor() : udev_(udev_new())
{
    if (!udev_)
        return;
    monitor_.reset(udev_monitor_new_from_netlink(udev_.get(), "udev"));
    if (monitor_ && (udev_monitor_filter_add_match_subsystem_devtype(monitor_.get(), "hidraw", nullptr) < 0 ||
                     udev_monitor_enable_receiving(monitor_.get()) < 0))
        monitor_.reset();
}

bool ReaderMonitor::ReaderPresent()
{
    return RFID_OpenDevice() != 0;
}

ReaderMonitor::Wake ReaderMonitor::wait(std::optional<Clock::time_point> deadline, int stopFd)
{
    const int monitorFd = monitor_ ? udev_monitor_get_fd(monitor_.get()) : -1;
    for (;;) {
        const auto now = Clock::now();
        if (deadline && now >= *deadline)
            return Wake::TimedOut;
        auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(LookAgain);
        if (deadline)
            wait = std::min(wait, std::chrono::ceil<std::chrono::milliseconds>(*deadline - now));
        pollfd fds[] = {{stopFd, POLLIN, 0}, {monitorFd, POLLIN, 0}};
        const int ready = ::poll(fds, 2, static_cast<int>(wait.count()));
        if (ready < 0 && errno == EINTR)
            continue;
        if (fds[0].revents)
            return Wake::Stopped;
        if (fds[1].revents) {
            // Drains what is queued: one look at the reader answers for all of it.
            while (UdevDevice(udev_monitor_receive_device(monitor_.get()))) {
            }
            return Wake::Changed;
        }
        if (ready == 0 && !(deadline && Clock::now() >= *deadline))
            return Wake::Changed; // a second without news: look again
    }
}

} // namespace korvelctl
