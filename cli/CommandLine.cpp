#include "CommandLine.h"

#include "Help.h"
#include "OptionNumbers.h"
#include "Status.h"

#include <algorithm>
#include <cstdio>

namespace korvelctl {
namespace {

// The first word of a command's name ("raw" of "raw send").
std::string FirstWord(const char *name)
{
    const std::string text = name;
    return text.substr(0, text.find(' '));
}

const OptionDef *FindOption(const std::vector<OptionDef> &options, const std::string &name)
{
    for (const OptionDef &option : options)
        if (name == option.name)
            return &option;
    return nullptr;
}

// Whether any option of that name takes a value: known before the command
// is, since options may come first.
bool TakesValue(const std::string &name)
{
    if (const OptionDef *global = FindOption(GlobalOptions(), name))
        return global->value != ValueKind::None;
    for (const Command &command : Commands())
        if (const OptionDef *option = FindOption(command.options, name))
            return option->value != ValueKind::None;
    return false;
}

struct GivenOption {
    std::string name;
    std::optional<std::string> value;
};

// The words and options as written: "--name=value" and "--name value" for
// an option that takes one, "--" ending the options. A word that begins
// with a single '-' is a word ("set prefix -A-"), except -h.
void Split(const std::vector<std::string> &args, std::vector<std::string> &words, std::vector<GivenOption> &options)
{
    bool optionsEnded = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string &arg = args[i];
        if (optionsEnded || !(arg.rfind("--", 0) == 0 || arg == "-h")) {
            words.push_back(arg);
        } else if (arg == "--") {
            optionsEnded = true;
        } else if (const size_t equals = arg.find('='); equals != std::string::npos) {
            options.push_back({arg.substr(0, equals), arg.substr(equals + 1)});
        } else if (TakesValue(arg) && i + 1 < args.size() && args[i + 1].rfind("--", 0) != 0) {
            options.push_back({arg, args[i + 1]});
            ++i;
        } else {
            options.push_back({arg, std::nullopt});
        }
    }
}

bool Given(const std::vector<GivenOption> &options, std::initializer_list<const char *> names)
{
    return std::any_of(options.begin(), options.end(), [&](const GivenOption &o) {
        return std::find(names.begin(), names.end(), o.name) != names.end();
    });
}

CommandLine Failure(std::string message)
{
    CommandLine line;
    line.error = std::move(message);
    return line;
}

// The option's value as its kind takes it; an error message otherwise.
std::optional<std::string> Store(const OptionDef &definition, const GivenOption &given, Invocation &invocation)
{
    const std::string &name = given.name;
    if (definition.value == ValueKind::None) {
        if (given.value)
            return name + " takes no value";
        invocation.options[name] = true;
        return std::nullopt;
    }
    if (!given.value)
        return name + " needs a value";
    const std::string &text = *given.value;
    switch (definition.value) {
    case ValueKind::Count:
        if (const auto count = ParseCount(text)) {
            invocation.options[name] = *count;
            return std::nullopt;
        }
        return name + " takes a whole number from 0 to 999999999, not '" + text + "'";
    case ValueKind::Seconds:
        if (const auto seconds = ParseSeconds(text)) {
            invocation.options[name] = *seconds;
            return std::nullopt;
        }
        return name + " takes seconds from 0 to 86400, not '" + text + "'";
    default:
        invocation.options[name] = text;
        return std::nullopt;
    }
}

} // namespace

long Invocation::count(const std::string &name) const
{
    const auto found = options.find(name);
    return found == options.end() ? 0 : std::get<long>(found->second);
}

double Invocation::seconds(const std::string &name) const
{
    const auto found = options.find(name);
    return found == options.end() ? 0 : std::get<double>(found->second);
}

std::optional<std::string> Invocation::text(const std::string &name) const
{
    const auto found = options.find(name);
    if (found == options.end())
        return std::nullopt;
    return std::get<std::string>(found->second);
}

CommandLine ParseCommandLine(const std::vector<std::string> &args)
{
    std::vector<std::string> words;
    std::vector<GivenOption> options;
    Split(args, words, options);
    CommandLine line;
    const bool help = Given(options, {"--help", "-h"});
    if (words.empty()) {
        line.action = help ? CommandLine::Action::Help
                           : Given(options, {"--version"}) ? CommandLine::Action::Version : CommandLine::Action::Usage;
        return line;
    }

    // The command: its first word, and a second one where it has two ("raw send").
    const Command *command = nullptr;
    bool known = false;
    for (const Command &c : Commands()) {
        if (FirstWord(c.name) != words[0])
            continue;
        known = true;
        const std::string name = c.name;
        if (name == words[0] || (words.size() > 1 && name == words[0] + " " + words[1]))
            command = &c;
    }
    if (!known)
        return Failure("unknown command '" + words[0] + "'");
    if (help) {
        line.action = CommandLine::Action::Help;
        line.helpTopic = words[0];
        return line;
    }
    if (Given(options, {"--version"})) {
        line.action = CommandLine::Action::Version;
        return line;
    }
    if (!command) {
        std::string second;
        for (const Command &c : Commands())
            if (FirstWord(c.name) == words[0])
                second += (second.empty() ? "" : " or ") + std::string(c.name).substr(words[0].size() + 1);
        return Failure("'" + words[0] + "' takes " + second);
    }

    Invocation &invocation = line.invocation;
    invocation.command = command;
    for (const GivenOption &given : options) {
        const OptionDef *definition = FindOption(command->options, given.name);
        if (!definition)
            definition = FindOption(GlobalOptions(), given.name);
        if (!definition)
            return Failure("unknown option '" + given.name + "' for " + command->name);
        if (const auto error = Store(*definition, given, invocation))
            return Failure(*error);
    }
    invocation.json = invocation.flag("--json");
    const size_t nameWords = std::string(command->name).find(' ') == std::string::npos ? 1 : 2;
    invocation.words.assign(words.begin() + static_cast<std::ptrdiff_t>(nameWords), words.end());
    if (invocation.words.size() < command->minWords || invocation.words.size() > command->maxWords)
        return Failure("wrong arguments for '" + std::string(command->name) + "': " + Synopsis(*command));
    line.action = CommandLine::Action::Run;
    return line;
}

int Main(const std::vector<std::string> &args)
{
    const CommandLine line = ParseCommandLine(args);
    switch (line.action) {
    case CommandLine::Action::Run:
        return line.invocation.command->run(line.invocation);
    case CommandLine::Action::Usage:
        PrintUsage(stderr);
        return ExitBadArguments;
    case CommandLine::Action::Help:
        return line.helpTopic.empty() ? (PrintUsage(stdout), ExitOk) : PrintHelp(line.helpTopic);
    case CommandLine::Action::Version:
        std::printf("korvelctl %s\n", KORVELCTL_VERSION);
        return ExitOk;
    case CommandLine::Action::Error:
        break;
    }
    return BadArguments(line.error);
}

} // namespace korvelctl
