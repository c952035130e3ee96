// korvelctl: the reader's settings from the command line.
#include "Commands.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {

void usage(std::FILE *out)
{
    std::fputs("usage: korvelctl info\n"
               "       korvelctl get [NAME...]\n"
               "       korvelctl set NAME VALUE\n"
               "\n"
               "Settings: config-bits, enable, device-mode, prefix, sufix, before, after,\n"
               "remove, card-code (read only).\n"
               "\n"
               "Exit status: 0 success, 1 a call to the reader failed, 2 bad arguments,\n"
               "3 no reader attached.\n",
               out);
}

} // namespace

int main(int argc, char **argv)
{
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty()) {
        usage(stderr);
        return korvelctl::ExitBadArguments;
    }
    const std::string &command = args[0];
    if (command == "--help" || command == "-h" || command == "help") {
        usage(stdout);
        return korvelctl::ExitOk;
    }
    if (command == "info" && args.size() == 1)
        return korvelctl::commandInfo();
    if (command == "get")
        return korvelctl::commandGet({args.begin() + 1, args.end()});
    if (command == "set" && args.size() == 3)
        return korvelctl::commandSet(args[1], args[2]);
    usage(stderr);
    return korvelctl::ExitBadArguments;
}
