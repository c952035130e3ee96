#include "ControlClient.h"

#include "ControlCommands.h"
#include "ControlPath.h"
#include "Options.h"
#include "UniqueFd.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <set>

namespace readersim {

const char *const CtlUsage =
    "usage: readersim ctl [--socket PATH] COMMAND\n"
    "Drives a running \"readersim run\".\n"
    "\n"
    "Commands:\n"
    "  plug [OPTIONS]  plug the reader in; with options, while it is unplugged:\n"
    "    --factory N       a new reader with the factory settings and factory number N\n"
    "    --date YY/MM/DD   ... and this production date (year - 2000, e.g. 24/03/15)\n"
    "    --fail-next N     the next N feature transfers fail\n"
    "    --fail-writes     every command that stores a setting is refused\n"
    "    --lose-writes     every command that stores a setting is answered, but\n"
    "                      nothing is stored (a worn memory)\n"
    "  unplug          unplug the reader\n"
    "  plug-mouse      plug the USB mouse in\n"
    "  unplug-mouse    unplug the mouse\n"
    "  tap HEX         a card with code HEX (up to 21 bytes) in the field, e.g. 12AB00\n"
    "  remove          take the card away\n"
    "  status          what is plugged, the reader's identity and settings\n"
    "  events          what the reader did, one line each: settings written, sounds\n"
    "                  (\"sound N\"), beeps, what it typed (\"typed 12AB00<Enter>\")\n"
    "\n"
    "  --socket PATH   the run's control socket; by default $READERSIM_CONTROL, else\n"
    "                  the only readersim-<pid>.sock of this user in $XDG_RUNTIME_DIR\n"
    "                  (or /tmp) whose run is alive\n"
    "  --help          this text\n"
    "\n"
    "Exit status: 0 ok, 1 the command failed, 2 bad usage, 3 no virtual reader is running.\n";

namespace {

constexpr const char *NoReader = "readersim ctl: no virtual reader is running (start one with readersim run)\n";
constexpr int AnswerWaitMs = 10000;

const std::set<std::string> Plain = {"plug", "unplug", "plug-mouse", "unplug-mouse", "remove", "status", "events"};

} // namespace

std::optional<std::string> chooseControlSocket(const std::optional<std::string> &given)
{
    if (given)
        return given;
    if (const char *fromRun = std::getenv(ControlVariable); fromRun && *fromRun)
        return std::string(fromRun);
    const std::vector<std::string> running = runningControlSockets();
    if (running.empty())
        return std::nullopt;
    if (running.size() > 1) {
        std::string list;
        for (const std::string &path : running)
            list += "\n  " + path;
        throw UsageError("several virtual readers are running; choose one with --socket:" + list);
    }
    return running.front();
}

std::optional<std::string> askRun(const std::string &path, const std::string &command)
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path)
        return std::nullopt;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    const TUniqueFd socket(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (socket.get() < 0 || ::connect(socket.get(), reinterpret_cast<sockaddr *>(&address), sizeof address) != 0)
        return std::nullopt;
    const std::string line = command + "\n";
    if (::send(socket.get(), line.data(), line.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(line.size()))
        return std::nullopt;
    std::string answer;
    char buffer[1024];
    for (;;) {
        pollfd ready{socket.get(), POLLIN, 0};
        if (::poll(&ready, 1, AnswerWaitMs) <= 0)
            break;
        const ssize_t n = ::read(socket.get(), buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        answer.append(buffer, static_cast<size_t>(n));
    }
    if (answer.empty())
        return std::nullopt;
    return answer;
}

int runCtl(const std::vector<std::string> &args)
{
    std::optional<std::string> socketPath;
    std::vector<std::string> command;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--help" || args[i] == "-h") {
            std::fputs(CtlUsage, stdout);
            return 0;
        }
        if (args[i] == "--socket") {
            if (i + 1 >= args.size())
                throw UsageError("--socket needs a value");
            socketPath = args[++i];
        } else if (args[i].rfind("--socket=", 0) == 0) {
            socketPath = args[i].substr(9);
        } else if (args[i].rfind("--", 0) == 0 && command.empty()) {
            throw UsageError("unknown option \"" + args[i] + "\"");
        } else {
            command.push_back(args[i]); // a command's own options follow its name
        }
    }
    if (command.empty())
        throw UsageError("no command given (see readersim ctl --help)");
    if (command[0] == "tap") {
        if (command.size() != 2)
            throw UsageError("tap takes the card code in hex, e.g. tap 12AB00");
        parseCardCode(command[1]);
    } else if (command[0] == "plug") {
        parsePlugOptions({command.begin() + 1, command.end()});
    } else if (!Plain.count(command[0])) {
        throw UsageError("unknown command \"" + command[0] + "\" (see readersim ctl --help)");
    } else if (command.size() != 1) {
        throw UsageError(command[0] + " takes no arguments");
    }

    const std::optional<std::string> path = chooseControlSocket(socketPath);
    std::string line = command[0];
    for (size_t i = 1; i < command.size(); ++i)
        line += " " + command[i];
    const std::optional<std::string> answer = path ? askRun(*path, line) : std::nullopt;
    if (!answer) {
        std::fputs(NoReader, stderr);
        return CtlNoReader;
    }
    if (answer->rfind("ok", 0) == 0) {
        // "ok TEXT" prints TEXT; further lines (status) follow as they are.
        const size_t end = answer->find('\n');
        const std::string first = answer->substr(0, end);
        if (first.size() > 3)
            std::printf("%s\n", first.c_str() + 3);
        if (end != std::string::npos)
            std::fputs(answer->c_str() + end + 1, stdout);
        return 0;
    }
    std::fprintf(stderr, "readersim ctl: %s", answer->c_str());
    return CtlRefused;
}

} // namespace readersim
