#include "ReportStream.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace readersim {
namespace {

// How long the rest of a partly written report may take.
constexpr int CompletionMs = 200;

} // namespace

ReportStream::ReportStream(int master, std::string pty) : master_(master), pty_(std::move(pty)) {}

void ReportStream::configure(size_t reportLength) const
{
    termios mode{};
    // On a PTY master these reach the slave's settings, which readers see.
    if (::tcgetattr(master_, &mode) != 0)
        throw std::runtime_error("cannot read the settings of " + pty_ + ": " + std::strerror(errno));
    ::cfmakeraw(&mode);
    mode.c_cc[VMIN] = static_cast<cc_t>(reportLength == 0 ? 1 : reportLength);
    mode.c_cc[VTIME] = 0;
    if (::tcsetattr(master_, TCSANOW, &mode) != 0)
        throw std::runtime_error("cannot make " + pty_ + " raw: " + std::strerror(errno));
    const int flags = ::fcntl(master_, F_GETFL);
    if (flags < 0 || ::fcntl(master_, F_SETFL, flags | O_NONBLOCK) != 0)
        throw std::runtime_error("cannot make the master of " + pty_ + " non-blocking: " + std::strerror(errno));
}

bool ReportStream::write(const uint8_t *report, size_t length) const
{
    size_t done = 0;
    while (done < length) {
        const ssize_t n = ::write(master_, report + done, length - done);
        if (n > 0) {
            done += static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno == EAGAIN) {
            if (done == 0)
                return false; // full: the report is lost, the stream stays whole
            pollfd room{master_, POLLOUT, 0};
            if (::poll(&room, 1, CompletionMs) > 0)
                continue;
        }
        discard(); // part of a report is queued: no reader may see it
        return false;
    }
    return true;
}

void ReportStream::discard() const
{
    ::tcflush(master_, TCIOFLUSH); // what the slave wrote, and what waits to reach it
    // Bytes that reached the slave's line discipline stay there across its
    // last close; only a flush from the slave side drops them.
    const int slave = ::open(pty_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (slave >= 0) {
        ::tcflush(slave, TCIFLUSH);
        ::close(slave);
    }
}

bool ReportStream::opened() const
{
    pollfd state{master_, 0, 0};
    return ::poll(&state, 1, 0) >= 0 && !(state.revents & (POLLHUP | POLLERR | POLLNVAL));
}

} // namespace readersim
