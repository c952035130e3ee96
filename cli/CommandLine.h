// korvelctl's command line: one table of commands, and the one parser that
// reads every command's words and options. The usage, each command's help,
// the dispatch, the bash completion and the fuzz target all take what they
// need from the table.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace korvelctl {

// What an option takes after it ("--count 3" or "--count=3").
enum class ValueKind {
    None,    // a flag
    Count,   // a whole number, 0 to 999999999
    Seconds, // seconds, 0 to 86400, with a fraction
    Text,
};

struct OptionDef {
    const char *name;      // "--count"
    ValueKind value;
    const char *valueName; // "N", in the synopsis; nullptr for a flag
    const char *help;      // lines of the command's help; "\n" starts another
};

// What the words after a command's name stand for, for the completion.
enum class WordKind { Nothing, SettingNames, SettingAndValue, RfcFile, CommandName, Hex };

struct Invocation;

struct Command {
    const char *name;      // "info", or two words: "raw send"
    const char *arguments; // the words after the name in the synopsis: "NAME VALUE"
    size_t minWords;
    size_t maxWords;       // how many words `arguments` stands for
    const char *summary;   // the usage's line
    const char *details;   // what its help says after the synopsis
    std::vector<OptionDef> options;
    bool json;             // prints what it reads as JSON with --json
    WordKind words;
    // Waits on the machine's own devices (the reader's keyboard, the next
    // reader plugged in) for as long as they take: not for the fuzz target.
    bool waitsForDevices;
    int (*run)(const Invocation &invocation);
};

// What the command line says to one command, checked against its entry.
struct Invocation {
    const Command *command = nullptr;
    bool json = false;
    std::vector<std::string> words; // after the command's name
    std::map<std::string, std::variant<bool, long, double, std::string>> options;

    bool flag(const std::string &name) const { return options.count(name) > 0; }
    long count(const std::string &name) const;      // 0 when not given
    double seconds(const std::string &name) const;  // 0 when not given
    std::optional<std::string> text(const std::string &name) const;
};

const std::vector<Command> &Commands();
// --json, --help (-h), --version: before or after the command, with every command.
const std::vector<OptionDef> &GlobalOptions();

// The command line read: an invocation to run, or what to print instead.
struct CommandLine {
    enum class Action { Run, Usage, Help, Version, Error };
    Action action = Action::Error;
    Invocation invocation;    // Run; for Help, its command (null: the usage)
    std::string helpTopic;    // Help: the command's first word ("raw")
    std::string error;        // Error: what is wrong, for the message
};

// `args` are the words after the program's name.
CommandLine ParseCommandLine(const std::vector<std::string> &args);

// Reads the command line, prints the help or runs the command; returns the
// exit status. All of korvelctl's main().
int Main(const std::vector<std::string> &args);

} // namespace korvelctl
