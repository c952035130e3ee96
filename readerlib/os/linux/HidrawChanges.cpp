#include "HidrawChanges.h"

#include <poll.h>

#include <cerrno>

namespace korvel::os {

void HidrawChanges::attach(int monitorFd)
{
    std::lock_guard guard(lock_);
    monitorFd_ = monitorFd;
    ++events_;
}

void HidrawChanges::detach()
{
    std::lock_guard guard(lock_);
    monitorFd_ = -1;
    ++events_;
}

void HidrawChanges::noteEvent()
{
    std::lock_guard guard(lock_);
    ++events_;
}

std::optional<uint64_t> HidrawChanges::mark()
{
    std::lock_guard guard(lock_);
    if (monitorFd_ < 0)
        return std::nullopt;
    return events_;
}

bool HidrawChanges::unchangedSince(uint64_t mark)
{
    std::lock_guard guard(lock_);
    if (monitorFd_ < 0 || events_ != mark)
        return false;
    const int saved = errno;
    pollfd waiting{monitorFd_, POLLIN, 0};
    const int ready = ::poll(&waiting, 1, 0);
    errno = saved;
    return ready == 0; // an event waits, or the socket failed (overrun): changed
}

} // namespace korvel::os
