#include "CommandLine.h"

#include <algorithm>

using namespace mardune::literals;

TStartAction StartAction(const TStringList &arguments)
{
    const auto given = [&](const TString &option) {
        return arguments.size() > 1 && std::find(arguments.begin() + 1, arguments.end(), option) != arguments.end();
    };
    if (given(u"--help"_s) || given(u"-h"_s))
        return saHelp;
    if (given(u"--version"_s))
        return saVersion;
    return saRun;
}

TString HelpText()
{
    return u"Usage: Mardune [FILE]\n"
           u"The USB RFID Configuration Tool: shows whether a reader is attached and what\n"
           u"it is, edits its settings page by page, and saves its keyboard configuration\n"
           u"to .rfc files and writes such files back into the reader.\n"
           u"\n"
           u"  FILE       a configuration file (.rfc) to write into the reader, after a\n"
           u"             confirmation, once the window is shown\n"
           u"  --help     print this help and exit\n"
           u"  --version  print the version and exit\n"
           u"\n"
           u"One Mardune runs per program file: started again, it brings the running\n"
           u"window forward, hands it FILE to load the same way, and ends.\n"_s;
}

TString VersionText()
{
    return u"Mardune " MARDUNE_VERSION "\n"_s;
}

TString ConfigFileArgument(const TStringList &arguments)
{
    if (arguments.size() == 2 && FileExists(arguments[1]))
        return arguments[1];
    return {};
}
