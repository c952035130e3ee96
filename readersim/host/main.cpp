// readersim: the virtual RFID reader on a virtual USB bus.
//
//   readersim run [options] -- COMMAND [ARGS...]
//   readersim ctl [--socket PATH] COMMAND
//   readersim exec [--socket PATH] -- COMMAND [ARGS...]
//   readersim vm [options] [--] COMMAND [ARGS...]
//
// Each subcommand is one function taking the words after its name.
#include "ChildProcess.h"
#include "ControlClient.h"
#include "ControlCommands.h"
#include "ControlPath.h"
#include "ControlServer.h"
#include "ExecCommand.h"
#include "Options.h"
#include "ReaderFirmware.h"
#ifdef READERSIM_HAVE_XTEST
#include "XTestKeyboard.h"
#endif
#include "StateFile.h"
#include "TestbedEnvironment.h"
#include "VirtualBus.h"
#include "VmCommand.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <exception>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace {

using namespace readersim;

void configureFirmware(ReaderFirmware &firmware, const RunOptions &options)
{
    ReaderIdentity identity = firmware.identity();
    if (options.product)
        identity.product = *options.product;
    if (options.manufacturer)
        identity.manufacturer = *options.manufacturer;
    firmware.setIdentity(identity);

    ReaderSettings settings = firmware.settings();
    if (options.stateFile)
        if (auto stored = loadSettings(*options.stateFile))
            settings = *stored;
    if (options.factoryId)
        settings.factoryId = *options.factoryId;
    if (const auto &date = options.productionDate) {
        settings.productionYear = (*date)[0];
        settings.productionMonth = (*date)[1];
        settings.productionDay = (*date)[2];
    }
    firmware.setSettings(settings);

    if (options.card)
        firmware.tapCard(*options.card);
    if (options.failNext)
        firmware.failNextTransfers(options.failNext);
    if (options.featureLength)
        firmware.declareFeatureLength(*options.featureLength);
    if (options.codeLength)
        firmware.reportCodeLength(*options.codeLength);
}

int runCommand(const std::vector<std::string> &args, int argc, char **argv)
{
    const RunOptions options = parseRunOptions(args);
    if (options.help) {
        std::fputs(RunUsage, stdout);
        return 0;
    }
    VirtualBus::ensurePreload(argc, argv);

    ReaderFirmware firmware;
    configureFirmware(firmware, options);
    std::mutex stateMutex;
    if (options.stateFile) {
        const std::string path = *options.stateFile;
        saveSettings(path, firmware.settings());
        // Runs on the bus's ioctl thread: report, never throw.
        firmware.setOnSettingsChanged([path, &stateMutex](const ReaderSettings &settings) {
            std::lock_guard lock(stateMutex);
            try {
                saveSettings(path, settings);
            } catch (const std::exception &e) {
                std::fprintf(stderr, "readersim: %s\n", e.what());
            }
        });
    }

    // Set before the bus starts its threads, which read the environment;
    // the hosted command finds the control socket through it.
    const std::string controlPath = controlSocketPath(::getpid());
    ::setenv(ControlVariable, controlPath.c_str(), 1);

    VirtualBus bus;
    // A tapped card is typed as key events of the keyboard interface's input
    // device and, when there is an X server, into its focused window, unless
    // a program holds the input device for itself.
#ifdef READERSIM_HAVE_XTEST
    std::unique_ptr<XTestKeyboard> keyboard = std::getenv("DISPLAY") ? XTestKeyboard::Connect() : nullptr;
    firmware.setKeyboardSink([&keyboard, &bus](const std::vector<BootReport> &reports) {
        bus.typeOnKeyboardInterface(reports);
        if (keyboard && !bus.keyboardGrabbed())
            keyboard->Play(reports);
    });
#else
    firmware.setKeyboardSink([&bus](const std::vector<BootReport> &reports) { bus.typeOnKeyboardInterface(reports); });
#endif
    bus.setReaderInputNode(options.inputNode);
    if (options.reader)
        bus.plugReader(firmware);
    if (options.mouse)
        bus.plugMouse();
    // The hosted command and every `readersim exec` get the same testbed.
    const TestbedEnvironment testbed{bus.root(), bus.root().empty() ? "" : commandPreload(), controlPath};
    const std::string testbedLines = testbed.toLines();
    int status;
    {
        // From here on only the control thread drives the bus, one command
        // at a time, until the server stops.
        ControlServer control(controlPath, [&bus, &firmware, &testbedLines](const std::string &command) {
            return runControlCommand(command, bus, firmware, testbedLines);
        });
        status = runChild(options.command, testbed.applyTo(currentEnvironment()));
    }
    firmware.setOnSettingsChanged({});
    firmware.setKeyboardSink({});
    return status;
}

int ctlCommand(const std::vector<std::string> &args, int, char **)
{
    return runCtl(args);
}

int execCommand(const std::vector<std::string> &args, int, char **)
{
    return runExec(args);
}

int vmCommand(const std::vector<std::string> &args, int, char **)
{
    return runVm(args);
}

struct Subcommand {
    std::string_view name;
    std::string_view summary;
    int (*run)(const std::vector<std::string> &args, int argc, char **argv);
};

constexpr Subcommand Subcommands[] = {
    {"run", "run a command with the virtual reader on a virtual USB bus", runCommand},
    {"ctl", "drive a running \"readersim run\": plug, unplug, tap a card, status, events", ctlCommand},
    {"exec", "run a command against a running \"readersim run\" (e.g. from another terminal)", execCommand},
    {"vm", "run a command in a QEMU guest with the reader on the real Linux kernel's USB stack", vmCommand},
};

void printUsage(std::FILE *out)
{
    std::fputs("usage: readersim SUBCOMMAND [options]\n\n", out);
    for (const Subcommand &sub : Subcommands)
        std::fprintf(out, "  %-6.*s %.*s\n", static_cast<int>(sub.name.size()), sub.name.data(),
                     static_cast<int>(sub.summary.size()), sub.summary.data());
    std::fputs("\n\"readersim SUBCOMMAND --help\" describes its options.\n", out);
}

} // namespace

int main(int argc, char **argv)
{
    const std::string_view first = argc > 1 ? argv[1] : "";
    if (first == "--help" || first == "-h") {
        printUsage(stdout);
        return 0;
    }
    for (const Subcommand &sub : Subcommands) {
        if (sub.name != first)
            continue;
        try {
            return sub.run(std::vector<std::string>(argv + 2, argv + argc), argc, argv);
        } catch (const UsageError &e) {
            std::fprintf(stderr, "readersim %s: %s\n", argv[1], e.what());
            return 2;
        } catch (const std::exception &e) {
            std::fprintf(stderr, "readersim: %s\n", e.what());
            return 1;
        }
    }
    if (first.empty())
        std::fputs("readersim: no subcommand given\n", stderr);
    else
        std::fprintf(stderr, "readersim: unknown subcommand \"%s\"\n", argv[1]);
    printUsage(stderr);
    return 2;
}
