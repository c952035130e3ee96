// Every command of korvelctl: its name, synopsis, help and what it runs.
#include "CommandLine.h"

#include "Commands.h"
#include "Help.h"
#include "Provision.h"
#include "Status.h"
#include "Watch.h"

#include <limits>
#include <sstream>

namespace korvelctl {
namespace {

constexpr size_t Any = std::numeric_limits<size_t>::max();

int RunWatch(const Invocation &invocation)
{
    WatchOptions options;
    options.json = invocation.json;
    options.grab = invocation.flag("--grab");
    options.follow = invocation.flag("--follow");
    options.count = invocation.count("--count");
    options.seconds = invocation.seconds("--timeout");
    options.gap = invocation.seconds("--gap");
    if (const auto command = invocation.text("--exec")) {
        std::istringstream words(*command);
        for (std::string word; words >> word;)
            options.command.push_back(word);
        if (options.command.empty())
            return BadArguments("--exec takes a command");
    }
    return CommandWatch(options);
}

int RunHelp(const Invocation &invocation)
{
    if (invocation.words.empty()) {
        PrintUsage(stdout);
        return ExitOk;
    }
    return PrintHelp(invocation.words[0]);
}

} // namespace

const std::vector<OptionDef> &GlobalOptions()
{
    static const std::vector<OptionDef> options = {
        {"--json", ValueKind::None, nullptr, "prints every read as JSON"},
        {"--help", ValueKind::None, nullptr, "this text; with a command, its help"},
        {"-h", ValueKind::None, nullptr, nullptr},
        {"--version", ValueKind::None, nullptr, "prints korvelctl's version"},
    };
    return options;
}

const std::vector<Command> &Commands()
{
    static const std::vector<Command> commands = {
        {"info", "", 0, 0, "the reader's identity",
         "Prints the manufacturer, product, firmware version, factory ID and\n"
         "production date of the attached reader.\n",
         {}, true, WordKind::Nothing, false,
         [](const Invocation &i) { return CommandInfo(i.json); }},
        {"get", "[NAME...]", 0, Any, "every setting, or the ones named",
         "Prints every setting as NAME=VALUE lines (or one JSON object), or\n"
         "only the ones named. A setting the reader's firmware does not answer\n"
         "(card-code before firmware 1.5) shows \"(not supported by this firmware)\"\n"
         "(JSON: null); the status is then 0 for a plain get and 5 when it was\n"
         "named. A call that fails is reported, the other settings are still\n"
         "printed, and the status is 1. Prefix and sufix are shown through the\n"
         "reader's code page, control characters as \\xNN.\n",
         {}, true, WordKind::SettingNames, false,
         [](const Invocation &i) { return CommandGet(i.json, i.words); }},
        {"set", "NAME VALUE", 2, 2, "writes one setting",
         "Writes one setting. Keyboard reports take modifiers and keys from the\n"
         "configuration tool's key list, separated by commas, e.g.\n"
         "  korvelctl set before \"Left Shift, Keyboard a\"\n"
         "or \"none\", or eight hexadecimal bytes (Modifier Reserved Key1..Key6).\n"
         "The value is checked before the reader is touched. Prefix and sufix are\n"
         "stored in the reader's code page (Windows-1252): a character it lacks is\n"
         "left out, and one the reader cannot type (anything but printable ASCII)\n"
         "is kept with a warning; a note tells what the reader kept. A value that\n"
         "begins with \"--\" goes after -- (korvelctl set prefix -- --A).\n",
         {}, false, WordKind::SettingAndValue, false,
         [](const Invocation &i) { return CommandSet(i.words[0], i.words[1]); }},
        {"save", "FILE", 1, 1, "saves the keyboard configuration to a .rfc file",
         "Reads the configuration byte and the three keyboard reports from the\n"
         "reader and saves them to FILE in the configuration tool's .rfc format\n"
         "(other sections and keys of an existing file are kept). The keys go into\n"
         "a copy in the same folder, which then takes FILE's place: FILE is never\n"
         "left half written. Status 4 when the file cannot be written.\n",
         {}, false, WordKind::RfcFile, false,
         [](const Invocation &i) { return CommandSave(i.words[0]); }},
        {"load", "FILE", 1, 1, "writes a .rfc file into the reader and reads it back",
         "Writes the configuration byte and the three keyboard reports of a .rfc\n"
         "file into the reader, then reads them back: a setting the reader does not\n"
         "hold as written is named with both values, as diff names it, and the\n"
         "status is 1. A call that fails (the reader unplugged halfway) is named\n"
         "with what was and what was not written, status 1. Missing or malformed\n"
         "values count as 0. A file that cannot be read, is larger than 16 MiB or\n"
         "has none of the sections Before, CardCode, After and Remove is refused\n"
         "with status 4 before anything is written.\n",
         {{"--no-verify", ValueKind::None, nullptr, "do not read the configuration back"}}, false, WordKind::RfcFile,
         false, [](const Invocation &i) { return CommandLoad(i.words[0], !i.flag("--no-verify")); }},
        {"diff", "FILE", 1, 1, "shows where the reader differs from a .rfc file",
         "Prints each setting where the reader's configuration byte and keyboard\n"
         "reports differ from FILE, one line each, with the names and value words\n"
         "of get: NAME: file=VALUE reader=VALUE (a value with a blank in double\n"
         "quotes; a report whose names read alike by its bytes). --json: one\n"
         "object, {\"NAME\": {\"file\": VALUE, \"reader\": VALUE}, ...}. Status 0\n"
         "when the reader holds what the file holds, 6 when it differs.\n",
         {}, true, WordKind::RfcFile, false, [](const Invocation &i) { return CommandDiff(i.json, i.words[0]); }},
        {"provision", "FILE", 1, 1, "sets up reader after reader from a .rfc file",
         "Writes FILE into each reader plugged in, one after another, and reads it\n"
         "back as load does. A reader attached at the start is the first; then it\n"
         "waits for that one to be unplugged and the next plugged in. One line per\n"
         "reader: its factory number, its production date, then ok or what failed\n"
         "(--json: one object with factory-id, production-date, ok and error).\n"
         "The reader plays its sound 0 (S_VAL: Validation) when it is set up and\n"
         "its sound 6 (S_ALARM: Alarm) when not. Ctrl-C ends the run, but never\n"
         "halfway through a reader: that one is finished and reported first.\n"
         "Status 0 when every reader was set up (with --count, N of them), 1 when\n"
         "one failed, 3 when fewer than N came (or none); the file is checked\n"
         "before any reader is touched (status 4).\n",
         {{"--count", ValueKind::Count, "N", "stop after N readers"},
          {"--timeout", ValueKind::Seconds, "S", "stop after S seconds without a new reader"}},
         true, WordKind::RfcFile, true,
         [](const Invocation &i) {
             return CommandProvision({i.words[0], i.json, i.count("--count"), i.seconds("--timeout")});
         }},
        {"raw send", "HEX", 1, 1, "sends bytes over the raw channel (advanced mode)",
         "Sends one output report over the raw channel of the reader's advanced\n"
         "mode (korvelctl set device-mode advanced): HEX is up to 63 bytes in\n"
         "hexadecimal, blanks and colons allowed between them, e.g. 01020A.\n"
         "On the wire: report ID 0, a length byte, then the 63 data bytes. The\n"
         "library fills the data bytes after the ones given with 0xFF and its\n"
         "length byte counts one of them, so N bytes go out with length N + 1:\n"
         "raw send 0102 sends length 3 and 01 02 FF, raw send \"\" length 1 and\n"
         "FF (and 63 bytes length 64, with no room for the FF). In normal mode\n"
         "the reader ignores raw output: korvelctl warns, and sends it still.\n",
         {}, false, WordKind::Hex, false,
         [](const Invocation &i) { return CommandRawSend(i.words[0]); }},
        {"raw listen", "", 0, 0, "prints raw input reports as they arrive",
         "Prints the data of each input report of the raw channel (advanced mode)\n"
         "in hexadecimal as it arrives; in normal mode the reader sends none, and\n"
         "korvelctl warns.\n",
         {{"--count", ValueKind::Count, "N", "stop after N reports (0 to 999999999; 0, the default: never)"},
          {"--timeout", ValueKind::Seconds, "SECONDS",
           "stop after SECONDS without one (0 to 86400; 0, the\ndefault: never)"}},
         true, WordKind::Nothing, false,
         [](const Invocation &i) {
             return CommandRawListen(i.json, i.count("--count"), i.seconds("--timeout"));
         }},
        {"watch", "", 0, 0, "prints each card read, without the keyboard focus",
         "Prints the code of every card read, one line each, from the reader's own\n"
         "keyboard device, decoded with the reader's keyboard configuration; the\n"
         "program needs no keyboard focus. A typed sequence that does not fit the\n"
         "configuration prints as ? and the text typed. --json: one object per line\n"
         "with time, code (null when unfit), text, fits and the reader's identity.\n",
         {{"--grab", ValueKind::None, nullptr,
           "take the device for this program alone while it runs\n"
           "(nothing the reader types reaches the focused window)"},
          {"--follow", ValueKind::None, nullptr,
           "wait for the reader, and go on across unplugging\n(without it: exit 3 when there is none or it goes)"},
          {"--count", ValueKind::Count, "N", "stop after N cards"},
          {"--timeout", ValueKind::Seconds, "S", "stop after S seconds without a card"},
          {"--gap", ValueKind::Seconds, "S",
           "a pause of S seconds in the typing ends a card\n(0, the default: 0.15; more for a reader that types slowly)"},
          {"--exec", ValueKind::Text, "COMMAND",
           "run COMMAND (split at blanks, no shell) for each card,\n"
           "with KORVEL_CARD_CODE, KORVEL_CARD_TEXT and\n"
           "KORVEL_CARD_FITS (1 or 0) in its environment"}},
         true, WordKind::Nothing, true, RunWatch},
        {"help", "[COMMAND]", 0, 2, "this text, or what a command does",
         "Prints the usage, or the help of one command.\n", {}, false, WordKind::CommandName, false, RunHelp},
    };
    return commands;
}

} // namespace korvelctl
