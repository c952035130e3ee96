// Prints the words korvelctl's bash completion offers, from korvelctl's own
// command table and lists, one a line (GenerateCompletion.cmake reads them):
//   command NAME...                 a command, one or two words ("raw send")
//   words KIND NAME...              what the words after a command's name are:
//                                   settings, setting-value, file, command or none
//   option OPTION VALUED NAME...    an option of that command; VALUED 1 when it takes a value
//   global OPTION VALUED            an option of every command
//   setting NAME WRITABLE VALUES    VALUES as `korvelctl help set` shows them
//   key NAME                        a modifier or key of a keyboard report
#include "CommandLine.h"
#include "KeyList.h"
#include "ReportText.h"
#include "Settings.h"

#include <cstdio>
#include <cstring>

namespace {

const char *KindWord(korvelctl::WordKind kind)
{
    switch (kind) {
    case korvelctl::WordKind::SettingNames: return "settings";
    case korvelctl::WordKind::SettingAndValue: return "setting-value";
    case korvelctl::WordKind::RfcFile: return "file";
    case korvelctl::WordKind::CommandName: return "command";
    default: return "none";
    }
}

} // namespace

int main()
{
    using korvelctl::ValueKind;
    for (const korvelctl::Command &command : korvelctl::Commands()) {
        std::printf("command %s\n", command.name);
        std::printf("words %s %s\n", KindWord(command.words), command.name);
        for (const korvelctl::OptionDef &option : command.options)
            std::printf("option %s %d %s\n", option.name, option.value != ValueKind::None, command.name);
    }
    for (const korvelctl::OptionDef &option : korvelctl::GlobalOptions())
        std::printf("global %s %d\n", option.name, option.value != ValueKind::None);
    for (const korvelctl::Setting &setting : korvelctl::Settings())
        std::printf("setting %s %d %s\n", setting.name, setting.parse ? 1 : 0, setting.values);
    for (const char *name : readerconfig::ModifierNames)
        std::printf("key %s\n", name);
    for (const char *name : KeyList)
        if (name && std::strchr(name, '\n') == nullptr && name[0] != '(')
            std::printf("key %s\n", name);
    return 0;
}
