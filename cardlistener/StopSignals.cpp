#include "StopSignals.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace cardlistener {
namespace {

std::atomic<int> wakeFd{-1};
std::atomic<int> lastSignal{0};

void onSignal(int number)
{
    const int saved = errno;
    lastSignal = number;
    const char byte = 1;
    if (const int fd = wakeFd.load(); fd >= 0)
        (void)!::write(fd, &byte, 1);
    errno = saved;
}

} // namespace

StopSignals::StopSignals()
{
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0)
        throw std::runtime_error(std::string("cannot make a pipe: ") + std::strerror(errno));
    read_.reset(fds[0]);
    write_.reset(fds[1]);
    int expected = -1;
    if (!wakeFd.compare_exchange_strong(expected, write_.get()))
        throw std::runtime_error("signals are already being watched");
    lastSignal = 0;
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGINT, &action, &previousInt_);
    ::sigaction(SIGTERM, &action, &previousTerm_);
}

StopSignals::~StopSignals()
{
    ::sigaction(SIGINT, &previousInt_, nullptr);
    ::sigaction(SIGTERM, &previousTerm_, nullptr);
    wakeFd = -1;
}

int StopSignals::signal() const
{
    return lastSignal;
}

} // namespace cardlistener
