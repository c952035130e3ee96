#include "ControlServer.h"

#include "UniqueFd.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <utility>

namespace readersim {
namespace {

constexpr int CommandWaitMs = 2000; // a client that sends nothing is dropped
constexpr size_t MaxCommandLength = 4096;

// Reads up to the first newline; false on time-out, error or overlong input.
bool readLine(int fd, std::string &line)
{
    line.clear();
    char c;
    while (line.size() < MaxCommandLength) {
        pollfd ready{fd, POLLIN, 0};
        if (::poll(&ready, 1, CommandWaitMs) <= 0)
            return false;
        const ssize_t n = ::read(fd, &c, 1);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return !line.empty(); // a last line without newline counts
        if (c == '\n')
            return true;
        line += c;
    }
    return false;
}

void sendAll(int fd, const std::string &text)
{
    size_t done = 0;
    while (done < text.size()) {
        // MSG_NOSIGNAL: a client that went away must not end readersim.
        const ssize_t n = ::send(fd, text.data() + done, text.size() - done, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return;
        done += static_cast<size_t>(n);
    }
}

} // namespace

ControlServer::ControlServer(std::string path, Handler handler) : path_(std::move(path)), handler_(std::move(handler))
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path_.size() >= sizeof address.sun_path)
        throw std::runtime_error("control socket path too long: " + path_);
    std::memcpy(address.sun_path, path_.c_str(), path_.size() + 1);

    TUniqueFd listener(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    TUniqueFd stop(::eventfd(0, EFD_CLOEXEC));
    if (listener.get() < 0 || stop.get() < 0)
        throw std::runtime_error(std::string("cannot create the control socket: ") + std::strerror(errno));
    ::unlink(path_.c_str()); // left by a run that was killed; its PID is ours now
    if (::bind(listener.get(), reinterpret_cast<sockaddr *>(&address), sizeof address) != 0 ||
        ::listen(listener.get(), 8) != 0)
        throw std::runtime_error("cannot listen on " + path_ + ": " + std::strerror(errno));
    listener_ = std::move(listener);
    stop_ = std::move(stop);
    thread_ = std::thread([this] { serve(); });
}

ControlServer::~ControlServer()
{
    const uint64_t one = 1;
    [[maybe_unused]] const ssize_t n = ::write(stop_.get(), &one, sizeof one);
    thread_.join();
    ::unlink(path_.c_str());
}

void ControlServer::serve()
{
    for (;;) {
        pollfd fds[2] = {{stop_.get(), POLLIN, 0}, {listener_.get(), POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        if (fds[0].revents)
            return;
        if (fds[1].revents & POLLIN) {
            TUniqueFd connection(::accept4(listener_.get(), nullptr, nullptr, SOCK_CLOEXEC));
            if (connection.get() >= 0)
                answer(connection.get());
        }
    }
}

void ControlServer::answer(int connection)
{
    std::string command;
    if (!readLine(connection, command))
        return;
    std::string reply;
    try {
        reply = handler_(command);
    } catch (const std::exception &e) {
        reply = std::string("error: ") + e.what();
    }
    if (reply.empty() || reply.back() != '\n')
        reply += '\n';
    sendAll(connection, reply);
}

} // namespace readersim
