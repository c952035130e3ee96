#include "ExecCommand.h"

#include "ControlClient.h"
#include "Options.h"
#include "TestbedEnvironment.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>

namespace readersim {

const char *const ExecUsage =
    "usage: readersim exec [--socket PATH] [--] COMMAND [ARGS...]\n"
    "Runs COMMAND against a running \"readersim run\", from any terminal: COMMAND\n"
    "sees the same virtual bus (UMOCKDEV_DIR, the umockdev preload in LD_PRELOAD,\n"
    "READERSIM_CONTROL), its udev monitors hear the plugs and unplugs, and\n"
    "\"readersim ctl\" inside it drives that run. The exit status is COMMAND's.\n"
    "\n"
    "  --socket PATH   the run's control socket; found as \"readersim ctl\" finds it\n"
    "  --help          this text\n"
    "\n"
    "Exit status when COMMAND does not start: 2 bad usage, 3 no virtual reader is\n"
    "running, 127 COMMAND cannot be run.\n";

int runExec(const std::vector<std::string> &args)
{
    std::optional<std::string> socketPath;
    size_t i = 0;
    for (; i < args.size(); ++i) {
        if (args[i] == "--") {
            ++i;
            break;
        }
        if (args[i] == "--help" || args[i] == "-h") {
            std::fputs(ExecUsage, stdout);
            return 0;
        }
        if (args[i] == "--socket") {
            if (i + 1 >= args.size())
                throw UsageError("--socket needs a value");
            socketPath = args[++i];
        } else if (args[i].rfind("--socket=", 0) == 0) {
            socketPath = args[i].substr(9);
        } else if (args[i].rfind("-", 0) == 0) {
            throw UsageError("unknown option \"" + args[i] + "\" (COMMAND goes after \"--\")");
        } else {
            break;
        }
    }
    if (i >= args.size())
        throw UsageError("no COMMAND given (see readersim exec --help)");
    const std::vector<std::string> command(args.begin() + static_cast<std::ptrdiff_t>(i), args.end());

    const std::optional<std::string> path = chooseControlSocket(socketPath);
    const std::optional<std::string> answer = path ? askRun(*path, "env") : std::nullopt;
    if (!answer || answer->rfind("ok\n", 0) != 0) {
        std::fputs("readersim exec: no virtual reader is running (start one with readersim run)\n", stderr);
        return CtlNoReader;
    }
    const std::optional<TestbedEnvironment> testbed = TestbedEnvironment::fromLines(answer->substr(3));
    if (!testbed) {
        std::fputs("readersim exec: the run did not tell its testbed's environment\n", stderr);
        return CtlNoReader;
    }

    const std::vector<std::string> environment = testbed->applyTo(currentEnvironment());
    std::vector<char *> envp, argv;
    for (const std::string &entry : environment)
        envp.push_back(const_cast<char *>(entry.c_str()));
    envp.push_back(nullptr);
    for (const std::string &word : command)
        argv.push_back(const_cast<char *>(word.c_str()));
    argv.push_back(nullptr);
    ::execvpe(argv[0], argv.data(), envp.data());
    std::fprintf(stderr, "readersim exec: cannot run %s: %s\n", argv[0], std::strerror(errno));
    return 127;
}

} // namespace readersim
