#include "ChildProcess.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace readersim {
namespace {

std::atomic<pid_t> childPid{0};

void forwardSignal(int signal)
{
    if (const pid_t pid = childPid.load(); pid > 0)
        ::kill(pid, signal);
}

// Ctrl-C and Ctrl-\ reach the child through the terminal; readersim
// outlives them so that it can tear the bus down after the child.
void ignoreHere(int) {}

void handle(int signal, void (*handler)(int))
{
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    ::sigaction(signal, &action, nullptr);
}

} // namespace

int runChild(const std::vector<std::string> &command, const std::vector<std::string> &environment)
{
    std::vector<char *> argv;
    for (const std::string &word : command)
        argv.push_back(const_cast<char *>(word.c_str()));
    argv.push_back(nullptr);
    std::vector<char *> envp;
    for (const std::string &entry : environment)
        envp.push_back(const_cast<char *>(entry.c_str()));
    envp.push_back(nullptr);

    handle(SIGTERM, forwardSignal);
    handle(SIGHUP, forwardSignal);
    handle(SIGINT, ignoreHere);
    handle(SIGQUIT, ignoreHere);

    pid_t pid = 0;
    if (const int error = ::posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), envp.data())) {
        std::fprintf(stderr, "readersim: cannot run %s: %s\n", argv[0], std::strerror(error));
        return 127;
    }
    childPid = pid;
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) {
            std::perror("readersim: waitpid");
            return 1;
        }
    }
    childPid = 0;
    if (WIFSIGNALED(status))
        return 128 + WTERMSIG(status);
    return WEXITSTATUS(status);
}

} // namespace readersim
