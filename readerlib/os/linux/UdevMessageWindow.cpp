#include "UdevMessageWindow.h"

#include "WindowMessages.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace korvel::os {

UdevMessageWindow::UdevMessageWindow(std::function<void(const WindowMessage &)> handler, HidrawChanges &changes)
    : handler_(std::move(handler)), changes_(changes)
{
    const int saved = errno;
    wakeFd_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    udev_.reset(udev_new());
    if (udev_) {
        monitor_.reset(udev_monitor_new_from_netlink(udev_.get(), "udev"));
        // Without a monitor the channel simply does not follow plugging.
        if (monitor_ && (udev_monitor_filter_add_match_subsystem_devtype(monitor_.get(), "hidraw", nullptr) < 0 ||
                         udev_monitor_enable_receiving(monitor_.get()) < 0))
            monitor_.reset();
    }
    if (monitor_)
        changes_.attach(udev_monitor_get_fd(monitor_.get()));
    thread_ = std::thread([this] { run(); });
    errno = saved;
}

UdevMessageWindow::~UdevMessageWindow()
{
    shutdown();
    if (wakeFd_ >= 0)
        ::close(wakeFd_);
}

void UdevMessageWindow::wake()
{
    const uint64_t one = 1;
    [[maybe_unused]] const ssize_t n = ::write(wakeFd_, &one, sizeof one);
}

bool UdevMessageWindow::sendMessage(const WindowMessage &message)
{
    if (std::this_thread::get_id() == thread_.get_id()) { // from the window's own thread
        handler_(message);
        return true;
    }
    Pending pending{message};
    std::unique_lock guard(lock_);
    if (closing_)
        return false;
    queue_.push_back(&pending);
    wake();
    handled_.wait(guard, [&] { return pending.done || closing_; });
    if (!pending.done) // dropped by the shutdown
        std::erase(queue_, &pending);
    return pending.done;
}

void UdevMessageWindow::shutdown()
{
    {
        std::lock_guard guard(lock_);
        if (closing_)
            return;
        closing_ = true;
    }
    changes_.detach(); // nothing reads the monitor from now on
    const int saved = errno;
    wake();
    if (thread_.joinable())
        thread_.join();
    handled_.notify_all();
    errno = saved;
}

void UdevMessageWindow::handleDeviceEvent()
{
    changes_.noteEvent(); // before the event leaves the socket, so that it is never unseen
    linux_udev::UdevDevice device(udev_monitor_receive_device(monitor_.get()));
    const char *action = device ? udev_device_get_action(device.get()) : nullptr;
    if (!action)
        return;
    uintptr_t event;
    if (std::strcmp(action, "add") == 0)
        event = dbt::DeviceArrival;
    else if (std::strcmp(action, "remove") == 0)
        event = dbt::DeviceRemoveComplete;
    else
        return;
    DeviceInterfaceBroadcast header{};
    header.dbcc_size = sizeof header;
    header.dbcc_devicetype = dbt::DevTypDeviceInterface;
    header.dbcc_classguid = HidClassGuid;
    handler_({wm::DeviceChange, event, reinterpret_cast<intptr_t>(&header)});
}

void UdevMessageWindow::run()
{
    serve();
    // However the loop ended, nothing waits for it any more.
    {
        std::lock_guard guard(lock_);
        closing_ = true;
    }
    handled_.notify_all();
}

void UdevMessageWindow::serve()
{
    const int monitorFd = monitor_ ? udev_monitor_get_fd(monitor_.get()) : -1;
    for (;;) {
        pollfd fds[2] = {{wakeFd_, POLLIN, 0}, {monitorFd, POLLIN, 0}};
        if (::poll(fds, monitorFd >= 0 ? 2 : 1, -1) < 0 && errno != EINTR)
            return;
        if (fds[0].revents) {
            uint64_t count;
            [[maybe_unused]] const ssize_t n = ::read(wakeFd_, &count, sizeof count);
        }
        for (;;) {
            Pending *next = nullptr;
            {
                std::lock_guard guard(lock_);
                if (closing_)
                    return;
                if (queue_.empty())
                    break;
                next = queue_.front();
                queue_.pop_front();
            }
            handler_(next->message);
            {
                std::lock_guard guard(lock_);
                next->done = true;
            }
            handled_.notify_all();
        }
        if (monitorFd >= 0 && (fds[1].revents & POLLIN))
            handleDeviceEvent();
    }
}

} // namespace korvel::os
