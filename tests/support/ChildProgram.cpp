#include "ChildProgram.h"

#include "Eventually.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <stdexcept>
#include <utility>

namespace korvel::testing {
namespace {

constexpr auto Deadline = std::chrono::seconds(20);

} // namespace

ChildProgram::ChildProgram(std::vector<std::string> argv, bool withErrors)
{
    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe");
    std::vector<char *> args;
    for (std::string &a : argv)
        args.push_back(a.data());
    args.push_back(nullptr);
    pid_ = ::fork();
    if (pid_ == 0) {
        ::dup2(out[1], 1);
        if (withErrors) {
            ::dup2(out[1], 2);
        } else if (const int null = ::open("/dev/null", O_WRONLY); null >= 0) {
            ::dup2(null, 2);
        }
        ::execv(args[0], args.data());
        ::_exit(127);
    }
    ::close(out[1]);
    if (pid_ < 0) {
        ::close(out[0]);
        throw std::runtime_error("fork");
    }
    out_ = out[0];
}

ChildProgram::~ChildProgram()
{
    if (pid_ > 0 && !status_) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
    }
    ::close(out_);
}

bool ChildProgram::readMore(std::chrono::steady_clock::time_point end)
{
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
    pollfd p{out_, POLLIN, 0};
    if (left.count() <= 0 || ::poll(&p, 1, static_cast<int>(left.count())) <= 0)
        return false;
    char chunk[512];
    const ssize_t n = ::read(out_, chunk, sizeof chunk);
    if (n <= 0)
        return false;
    buffer_.append(chunk, static_cast<size_t>(n));
    return true;
}

std::optional<std::string> ChildProgram::line()
{
    const auto end = std::chrono::steady_clock::now() + Deadline;
    for (;;) {
        if (const size_t nl = buffer_.find('\n'); nl != std::string::npos) {
            std::string line = buffer_.substr(0, nl);
            buffer_.erase(0, nl + 1);
            return line;
        }
        if (!readMore(end))
            return std::nullopt;
    }
}

std::string ChildProgram::rest()
{
    const auto end = std::chrono::steady_clock::now() + Deadline;
    while (readMore(end)) {
    }
    return std::exchange(buffer_, {});
}

int ChildProgram::status()
{
    if (!status_) {
        int status = 0;
        if (!eventually([&] { return ::waitpid(pid_, &status, WNOHANG) == pid_; })) {
            ADD_FAILURE() << "the program did not end within " << Deadline.count() << " s";
            return -1;
        }
        status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    return *status_;
}

void ChildProgram::signal(int number)
{
    ::kill(pid_, number);
}

Outcome RunProgram(std::vector<std::string> argv, bool withErrors)
{
    ChildProgram program(std::move(argv), withErrors);
    std::string out = program.rest();
    return {program.status(), std::move(out)};
}

} // namespace korvel::testing
