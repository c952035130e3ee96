#include "CommandLine.h"

#include <QFileInfo>

TStartAction StartAction(const QStringList &arguments)
{
    const QStringList options = arguments.mid(1);
    if (options.contains(QStringLiteral("--help")) || options.contains(QStringLiteral("-h")))
        return saHelp;
    if (options.contains(QStringLiteral("--version")))
        return saVersion;
    return saRun;
}

QString HelpText()
{
    return QStringLiteral(
        "Usage: Mardune [FILE]\n"
        "The USB RFID Configuration Tool: shows whether a reader is attached and what\n"
        "it is, edits its settings page by page, and saves its keyboard configuration\n"
        "to .rfc files and writes such files back into the reader.\n"
        "\n"
        "  FILE       a configuration file (.rfc) to write into the reader, after a\n"
        "             confirmation, once the window is shown\n"
        "  --help     print this help and exit\n"
        "  --version  print the version and exit\n"
        "\n"
        "One Mardune runs per program file: started again, it brings the running\n"
        "window forward, hands it FILE to load the same way, and ends.\n");
}

QString VersionText()
{
    return QStringLiteral("Mardune " MARDUNE_VERSION "\n");
}

QString ConfigFileArgument(const QStringList &arguments)
{
    if (arguments.size() == 2 && QFileInfo(arguments[1]).isFile())
        return arguments[1];
    return {};
}
