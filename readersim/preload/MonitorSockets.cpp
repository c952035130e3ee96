// Preloaded, beside the umockdev preload, into every command that runs
// against a readersim testbed ("readersim run" and "readersim exec").
//
// The umockdev preload turns a udev monitor into a Unix socket named by the
// monitor's descriptor number, "$UMOCKDEV_DIR/event<fd>", and unlinks
// whatever has that name first. Two processes whose monitors have the same
// number (the same program started twice, say) would take the name from
// each other, and the first would hear no uevent again. Here an unlink of
// such a name whose socket still listens moves the socket aside to a name
// of its own instead; the testbed sends every uevent to each
// "event<digits>..." socket in its directory, so both monitors hear the bus.
// A socket that no longer listens is unlinked as before.
#include <dlfcn.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

using UnlinkFunction = int (*)(const char *);

// "$UMOCKDEV_DIR/event" followed by digits only: the name umockdev gives a monitor.
bool isMonitorSocketName(const char *path)
{
    const char *root = std::getenv("UMOCKDEV_DIR");
    if (!path || !root || !*root)
        return false;
    const size_t length = std::strlen(root);
    if (std::strncmp(path, root, length) != 0 || std::strncmp(path + length, "/event", 6) != 0)
        return false;
    const char *digits = path + length + 6;
    return *digits && std::strspn(digits, "0123456789") == std::strlen(digits);
}

// Whether a monitor socket is bound at `path` and still open.
bool listening(const char *path)
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (std::strlen(path) >= sizeof address.sun_path)
        return false;
    std::strcpy(address.sun_path, path);
    const int probe = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (probe < 0)
        return false;
    const int saved = errno;
    const bool live = ::connect(probe, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0;
    ::close(probe);
    errno = saved;
    return live;
}

} // namespace

extern "C" int unlink(const char *path)
{
    static const auto next = reinterpret_cast<UnlinkFunction>(dlsym(RTLD_NEXT, "unlink"));
    static std::atomic<unsigned> moved{0};
    if (isMonitorSocketName(path) && listening(path)) {
        char aside[PATH_MAX];
        const int n = std::snprintf(aside, sizeof aside, "%s-%d-%u", path, static_cast<int>(::getpid()), moved++);
        if (n > 0 && static_cast<size_t>(n) < sizeof(sockaddr_un::sun_path) && std::rename(path, aside) == 0)
            return 0;
    }
    return next(path);
}
