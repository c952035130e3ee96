// korvelctl: the reader's settings, its configuration files and its raw
// channel from the command line.
#include "Commands.h"
#include "OptionNumbers.h"
#include "Settings.h"
#include "Status.h"
#include "Watch.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace {

using namespace korvelctl;

const char *const Usage = "usage: korvelctl [--json] COMMAND [ARGS]\n"
                          "\n"
                          "Commands:\n"
                          "  info                 the reader's identity\n"
                          "  get [NAME...]        every setting, or the ones named\n"
                          "  set NAME VALUE       writes one setting\n"
                          "  save FILE            saves the keyboard configuration to a .rfc file\n"
                          "  load FILE            writes a .rfc file into the reader\n"
                          "  raw send HEX         sends bytes over the raw channel (advanced mode)\n"
                          "  raw listen [--count N] [--timeout SECONDS]\n"
                          "                       prints raw input reports as they arrive\n"
                          "  watch [OPTIONS]      prints each card read, without the keyboard focus\n"
                          "\n"
                          "--json prints every read as JSON. `korvelctl help COMMAND` (or COMMAND\n"
                          "--help) tells more. Text goes to and from the reader in its code page,\n"
                          "Windows-1252.\n"
                          "\n"
                          "Exit status: 0 success; 1 a call to the reader failed; 2 bad arguments\n"
                          "(checked before the reader is touched); 3 no reader attached; 4 a file\n"
                          "cannot be read or written, or is no configuration file (nothing is\n"
                          "written to the reader); 5 a setting named to get is not supported by\n"
                          "the reader's firmware.\n";

void PrintSettingsHelp()
{
    std::printf("Settings:\n");
    for (const Setting &s : Settings())
        std::printf("  %-20s %-44s %s\n", s.name, s.values, s.help);
}

const std::map<std::string, const char *> &CommandHelp()
{
    static const std::map<std::string, const char *> help = {
        {"info", "usage: korvelctl [--json] info\n\nPrints the manufacturer, product, firmware version, factory ID and\n"
                 "production date of the attached reader.\n"},
        {"get", "usage: korvelctl [--json] get [NAME...]\n\nPrints every setting as NAME=VALUE lines (or one JSON object), or\n"
                "only the ones named. A setting the reader's firmware does not answer\n"
                "(card-code before firmware 1.5) shows \"(not supported by this firmware)\"\n"
                "(JSON: null); the status is then 0 for a plain get and 5 when it was\n"
                "named. A call that fails is reported, the other settings are still\n"
                "printed, and the status is 1. Prefix and sufix are shown through the\n"
                "reader's code page, control characters as \\xNN.\n\n"},
        {"set", "usage: korvelctl set NAME VALUE\n\nWrites one setting. Keyboard reports take modifiers and keys from the\n"
                "configuration tool's key list, separated by commas, e.g.\n"
                "  korvelctl set before \"Left Shift, Keyboard a\"\n"
                "or \"none\", or eight hexadecimal bytes (Modifier Reserved Key1..Key6).\n"
                "The value is checked before the reader is touched. Prefix and sufix are\n"
                "stored in the reader's code page (Windows-1252): a character it lacks is\n"
                "left out, and one the reader cannot type (anything but printable ASCII)\n"
                "is kept with a warning; a note tells what the reader kept.\n\n"},
        {"save", "usage: korvelctl save FILE\n\nReads the configuration byte and the three keyboard reports from the\n"
                 "reader and saves them to FILE in the configuration tool's .rfc format\n"
                 "(other sections and keys of an existing file are kept). Status 4 when\n"
                 "the file cannot be written.\n"},
        {"load", "usage: korvelctl load FILE\n\nWrites the configuration byte and the three keyboard reports of a .rfc\n"
                 "file into the reader. Missing or malformed values count as 0. A file\n"
                 "that cannot be read, is larger than 16 MiB or has none of the sections\n"
                 "Before, CardCode, After and Remove is refused with status 4 before\n"
                 "anything is written.\n"},
        {"raw", "usage: korvelctl raw send HEX\n       korvelctl [--json] raw listen [--count N] [--timeout SECONDS]\n\n"
                "The raw channel of the reader's advanced mode (korvelctl set device-mode\n"
                "advanced). send: up to 63 bytes, e.g. 01020A. listen: prints each input\n"
                "report's data in hexadecimal; stops after N reports (0 to 999999999) or\n"
                "SECONDS without one (0 to 86400; 0, the default, never).\n"},
        {"watch", WatchHelp},
    };
    return help;
}

int Help(const std::string &command)
{
    const auto found = CommandHelp().find(command);
    if (found == CommandHelp().end())
        return BadArguments("no command '" + command + "'");
    std::fputs(found->second, stdout);
    if (command == "get" || command == "set")
        PrintSettingsHelp();
    return ExitOk;
}

bool WantsHelp(const std::vector<std::string> &args)
{
    for (const std::string &a : args)
        if (a == "--help" || a == "-h")
            return true;
    return false;
}

int RawListen(const Options &options, const std::vector<std::string> &args)
{
    long count = 0;
    double seconds = 0;
    for (size_t i = 0; i < args.size(); ++i) {
        const bool hasValue = i + 1 < args.size();
        if (args[i] == "--count" && hasValue) {
            const auto parsed = ParseCount(args[++i]);
            if (!parsed)
                return BadArguments("--count takes a whole number from 0 to 999999999, not '" + args[i] + "'");
            count = *parsed;
        } else if (args[i] == "--timeout" && hasValue) {
            const auto parsed = ParseSeconds(args[++i]);
            if (!parsed)
                return BadArguments("--timeout takes seconds from 0 to 86400, not '" + args[i] + "'");
            seconds = *parsed;
        } else {
            return BadArguments("unknown option '" + args[i] + "'");
        }
    }
    return CommandRawListen(options, count, seconds);
}

} // namespace

int main(int argc, char **argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    Options options;
    if (!args.empty() && args[0] == "--json") {
        options.json = true;
        args.erase(args.begin());
    }
    if (args.empty()) {
        std::fputs(Usage, stderr);
        return ExitBadArguments;
    }
    const std::string command = args[0];
    const std::vector<std::string> rest(args.begin() + 1, args.end());
    if (command == "--help" || command == "-h") {
        std::fputs(Usage, stdout);
        return ExitOk;
    }
    if (command == "help")
        return rest.empty() ? (std::fputs(Usage, stdout), ExitOk) : Help(rest[0]);
    if (WantsHelp(rest))
        return Help(command);

    if (command == "info" && rest.empty())
        return CommandInfo(options);
    if (command == "get")
        return CommandGet(options, rest);
    if (command == "set" && rest.size() == 2)
        return CommandSet(rest[0], rest[1]);
    if (command == "save" && rest.size() == 1)
        return CommandSave(rest[0]);
    if (command == "load" && rest.size() == 1)
        return CommandLoad(rest[0]);
    if (command == "raw" && rest.size() == 2 && rest[0] == "send")
        return CommandRawSend(rest[1]);
    if (command == "raw" && !rest.empty() && rest[0] == "listen")
        return RawListen(options, {rest.begin() + 1, rest.end()});
    if (command == "watch")
        return CommandWatch(options, rest);
    if (CommandHelp().count(command))
        return BadArguments("wrong arguments for '" + command + "'");
    return BadArguments("unknown command '" + command + "'");
}
