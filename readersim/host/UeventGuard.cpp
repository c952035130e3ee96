#include "UeventGuard.h"

#include "EarlyMonitors.h"

#include <dlfcn.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr int WaitMs = 50;
std::atomic<size_t> dropped{0};

using SendmsgFunction = ssize_t (*)(int, const msghdr *, int);

bool isMonitorIn(const char *path, const char *dir)
{
    const size_t length = std::strlen(dir);
    return length > 0 && std::strncmp(path, dir, length) == 0 && std::strncmp(path + length, "/event", 6) == 0;
}

// A socket connected to a monitor socket of the testbed, "$UMOCKDEV_DIR/eventN",
// or to one of a monitor created before the testbed (see EarlyMonitors.h).
bool toTestbedMonitor(int fd)
{
    const char *root = std::getenv("UMOCKDEV_DIR");
    sockaddr_un peer{};
    socklen_t length = sizeof peer;
    if (!root || ::getpeername(fd, reinterpret_cast<sockaddr *>(&peer), &length) != 0 || peer.sun_family != AF_UNIX)
        return false;
    return isMonitorIn(peer.sun_path, root) || isMonitorIn(peer.sun_path, readersim::earlyMonitorDirectory().c_str());
}

ssize_t totalLength(const msghdr *msg)
{
    ssize_t length = 0;
    for (size_t i = 0; i < msg->msg_iovlen; ++i)
        length += static_cast<ssize_t>(msg->msg_iov[i].iov_len);
    return length;
}

} // namespace

extern "C" ssize_t sendmsg(int fd, const msghdr *msg, int flags)
{
    static const auto next = reinterpret_cast<SendmsgFunction>(dlsym(RTLD_NEXT, "sendmsg"));
    // Asked before the send: a failed send to a closed monitor leaves the
    // socket with no peer to ask about.
    const bool monitor = toTestbedMonitor(fd);
    ssize_t sent = next(fd, msg, flags);
    if (sent >= 0 || !monitor)
        return sent;
    // The monitor's process ended after umockdev connected to it (a command
    // that exits as the reader goes): nobody is left to hear the uevent, as
    // with a kernel uevent to a closed socket.
    if (errno == ECONNREFUSED)
        return totalLength(msg);
    if (errno != EAGAIN)
        return sent;
    pollfd room{fd, POLLOUT, 0};
    if (::poll(&room, 1, WaitMs) > 0) {
        sent = next(fd, msg, flags);
        if (sent >= 0 || errno != EAGAIN)
            return sent;
    }
    if (dropped++ == 0)
        std::fputs("readersim: a udev monitor does not read its events; dropping uevents\n", stderr);
    return totalLength(msg);
}

namespace readersim {

size_t droppedUevents()
{
    return dropped.load();
}

} // namespace readersim
