#include "HidrawRawDevice.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace korvel::os {

std::shared_ptr<HidrawRawDevice> HidrawRawDevice::adopt(int fd, bool numbered)
{
    const int wakeFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wakeFd < 0) {
        const int error = errno;
        ::close(fd);
        errno = error;
        return nullptr;
    }
    return std::shared_ptr<HidrawRawDevice>(new HidrawRawDevice(fd, wakeFd, numbered));
}

HidrawRawDevice::HidrawRawDevice(int fd, int wakeFd, bool numbered) : fd_(fd), wakeFd_(wakeFd), numbered_(numbered)
{
}

HidrawRawDevice::~HidrawRawDevice()
{
    const int saved = errno;
    ::close(fd_);
    ::close(wakeFd_);
    errno = saved;
}

void HidrawRawDevice::interrupt()
{
    interrupted_ = true;
    const uint64_t one = 1;
    const int saved = errno;
    [[maybe_unused]] const ssize_t n = ::write(wakeFd_, &one, sizeof one);
    errno = saved;
}

bool HidrawRawDevice::waitFor(short events, unsigned timeoutMs, bool &timedOut)
{
    timedOut = false;
    if (interrupted_) {
        errno = ECANCELED;
        return false;
    }
    pollfd fds[2] = {{fd_, events, 0}, {wakeFd_, POLLIN, 0}};
    int ready;
    do
        ready = ::poll(fds, 2, static_cast<int>(timeoutMs));
    while (ready < 0 && errno == EINTR);
    if (ready < 0)
        return false;
    if (fds[1].revents || interrupted_) {
        errno = ECANCELED;
        return false;
    }
    if (ready == 0) {
        timedOut = true;
        errno = ETIMEDOUT;
        return false;
    }
    if (fds[0].revents & (POLLERR | POLLHUP | POLLNVAL)) {
        errno = ENODEV; // the device has gone
        return false;
    }
    return true;
}

RawDevice::ReadResult HidrawRawDevice::readReport(uint8_t *report, size_t length, unsigned timeoutMs)
{
    if (length < 2) {
        errno = EINVAL;
        return ReadResult::Failed;
    }
    bool timedOut;
    if (!waitFor(POLLIN, timeoutMs, timedOut))
        return timedOut ? ReadResult::TimedOut : ReadResult::Failed;
    uint8_t *into = numbered_ ? report : report + 1;
    const size_t capacity = numbered_ ? length : length - 1;
    const ssize_t n = ::read(fd_, into, capacity);
    if (n < 0)
        return errno == EAGAIN ? ReadResult::TimedOut : ReadResult::Failed;
    if (!numbered_)
        report[0] = 0;
    // A short report leaves no stale bytes behind it.
    const size_t got = static_cast<size_t>(n) + (numbered_ ? 0 : 1);
    std::memset(report + got, 0, length - got);
    return ReadResult::Report;
}

bool HidrawRawDevice::writeReport(const uint8_t *report, size_t length, unsigned timeoutMs)
{
    bool timedOut;
    if (!waitFor(POLLOUT, timeoutMs, timedOut))
        return false;
    const ssize_t n = ::write(fd_, report, length);
    if (n < 0)
        return false;
    // The kernel counts the report-ID byte it strips for unnumbered devices.
    if (static_cast<size_t>(n) + 1 < length) {
        errno = EIO;
        return false;
    }
    return true;
}

} // namespace korvel::os
