#include "Help.h"

#include "Settings.h"
#include "Status.h"

#include <sstream>

namespace korvelctl {
namespace {

constexpr size_t Width = 79;

const char *const ExitStatusText =
    "Exit status: 0 success; 1 a call to the reader failed; 2 bad arguments\n"
    "(checked before the reader is touched); 3 no reader attached; 4 a file\n"
    "cannot be read or written, or is no configuration file (nothing is\n"
    "written to the reader); 5 a setting named to get is not supported by\n"
    "the reader's firmware; 6 diff: the reader differs from the file.\n";

std::string OptionUsage(const OptionDef &option)
{
    return option.valueName ? std::string(option.name) + " " + option.valueName : option.name;
}

// Words and bracketed groups, wrapped under the first one's end.
std::string Wrapped(const std::string &lead, const std::vector<std::string> &parts)
{
    std::string text = lead, line = lead;
    for (const std::string &part : parts) {
        if (line.size() + 1 + part.size() > Width && line.size() > lead.size()) {
            text += "\n" + std::string(lead.size(), ' ');
            line = std::string(lead.size(), ' ');
        } else {
            text += " ";
            line += " ";
        }
        text += part;
        line += part;
    }
    return text;
}

std::vector<std::string> SynopsisParts(const Command &command)
{
    std::vector<std::string> parts;
    std::istringstream name(command.name);
    for (std::string word; name >> word;)
        parts.push_back(word);
    if (*command.arguments)
        parts.push_back(command.arguments);
    for (const OptionDef &option : command.options)
        parts.push_back("[" + OptionUsage(option) + "]");
    if (command.json)
        parts.push_back("[--json]");
    return parts;
}

// "  --count N       stop after N cards", the help's further lines beneath.
void PrintOption(std::FILE *out, const std::string &left, const char *help, int column)
{
    std::istringstream lines(help);
    std::string line;
    std::getline(lines, line);
    if (left.size() + 2 >= static_cast<size_t>(column))
        std::fprintf(out, "  %s\n%*s%s\n", left.c_str(), column, "", line.c_str());
    else
        std::fprintf(out, "  %-*s%s\n", column - 2, left.c_str(), line.c_str());
    while (std::getline(lines, line))
        std::fprintf(out, "%*s%s\n", column, "", line.c_str());
}

void PrintSettings()
{
    std::printf("Settings:\n");
    for (const Setting &s : Settings())
        std::printf("  %-20s %-44s %s\n", s.name, s.values, s.help);
}

void PrintCommandHelp(const Command &command)
{
    std::printf("%s\n\n%s", Wrapped("usage: korvelctl", SynopsisParts(command)).c_str(), command.details);
    std::vector<std::pair<std::string, const char *>> options;
    for (const OptionDef &option : command.options)
        options.emplace_back(OptionUsage(option), option.help);
    if (command.json)
        for (const OptionDef &global : GlobalOptions())
            if (std::string(global.name) == "--json")
                options.emplace_back(global.name, global.help);
    if (!options.empty())
        std::printf("\nOptions (before or after the command):\n");
    for (const auto &[left, help] : options)
        PrintOption(stdout, left, help, 18);
    if (command.words == WordKind::SettingNames || command.words == WordKind::SettingAndValue) {
        std::printf("\n");
        PrintSettings();
    }
}

} // namespace

std::string Synopsis(const Command &command)
{
    std::string text = "korvelctl";
    for (const std::string &part : SynopsisParts(command))
        text += " " + part;
    return text;
}

void PrintUsage(std::FILE *out)
{
    std::fputs("usage: korvelctl COMMAND [ARGS] [--json]\n\nCommands:\n", out);
    for (const Command &command : Commands()) {
        std::string left = command.name;
        if (*command.arguments)
            left += std::string(" ") + command.arguments;
        if (!command.options.empty())
            left += " [OPTIONS]";
        PrintOption(out, left, command.summary, 23);
    }
    std::fputs("\nOptions, before or after the command:\n", out);
    const auto &globals = GlobalOptions();
    for (size_t i = 0; i < globals.size(); ++i) {
        std::string left = globals[i].name;
        const char *help = globals[i].help;
        // An option's short form follows it, with no help of its own.
        while (i + 1 < globals.size() && !globals[i + 1].help)
            left += std::string(", ") + globals[++i].name;
        PrintOption(out, left, help, 23);
    }
    PrintOption(out, "--", "ends the options: every word after it is an argument", 23);
    std::fputs("\n`korvelctl help COMMAND` (or COMMAND --help) tells more. Text goes to and\n"
               "from the reader in its code page, Windows-1252.\n\n",
               out);
    std::fputs(ExitStatusText, out);
}

int PrintHelp(const std::string &topic)
{
    bool found = false;
    for (const Command &command : Commands()) {
        const std::string name = command.name;
        if (name != topic && name.rfind(topic + " ", 0) != 0)
            continue;
        if (found)
            std::printf("\n");
        PrintCommandHelp(command);
        found = true;
    }
    return found ? ExitOk : BadArguments("no command '" + topic + "'");
}

} // namespace korvelctl
