// readersim's control commands: the input is command lines, one a line,
// run in order against one firmware on a bus of the harness's own. What
// must hold: every answer is "ok..." or "error: ...", and the card the
// reader holds never exceeds what it can store.
#include "ControlCommands.h"
#include "KeyboardOutput.h"
#include "FuzzSupport.h"
#include "ReaderFirmware.h"
#include "VirtualBus.h"

#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    readersim::ReaderFirmware firmware;
    size_t typedReports = 0;
    firmware.setKeyboardSink([&typedReports](const auto &reports) { typedReports += reports.size(); });
    readersim::VirtualBus bus;

    std::string_view input(reinterpret_cast<const char *>(data), size);
    for (int commands = 0; commands < 64 && !input.empty(); ++commands) {
        const size_t end = std::min(input.find('\n'), input.size());
        const std::string answer = readersim::runControlCommand(std::string(input.substr(0, end)), bus, firmware);
        input.remove_prefix(std::min(end + 1, input.size()));
        FUZZ_CHECK(answer.starts_with("ok") || answer.starts_with("error: "));
        FUZZ_CHECK(firmware.cardCode().size() <= 21);
    }
    return 0;
}
