// raw send and raw listen: the raw channel of the reader's advanced mode.
#include "Commands.h"

#include "Output.h"
#include "Status.h"
#include "TextFormat.h"
#include "korvel.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

namespace korvelctl {
namespace {

// In normal mode the reader neither takes nor sends raw reports: say so
// rather than let a script believe it talked to the reader. A reader that
// does not answer is left to the raw call to report.
void WarnIfNormalMode(const char *what)
{
    int32_t mode = 0;
    if (RFID_GetDeviceMode(&mode) && mode == 0)
        std::fprintf(stderr, "korvelctl: warning: the reader is in normal mode, so it %s "
                             "(korvelctl set device-mode advanced)\n", what);
}

} // namespace

int CommandRawSend(const std::string &hex)
{
    std::string digits;
    for (char c : hex)
        if (c != ' ' && c != ':')
            digits += c;
    if (digits.size() % 2 || digits.size() > 2 * RFID_RW_DATA_SIZE ||
        digits.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
        return BadArguments("raw send takes up to " + std::to_string(RFID_RW_DATA_SIZE) + " bytes in hexadecimal");
    std::string bytes;
    for (size_t i = 0; i < digits.size(); i += 2)
        bytes += static_cast<char>(std::stoul(digits.substr(i, 2), nullptr, 16));
    WarnIfNormalMode("ignores raw output");
    // The report's data area carries Size - 1 bytes: Size is one more than
    // the bytes given, so that every one of them is sent (the library fills
    // the rest of the data area with 0xFF; the length byte counts one of them).
    const int32_t result = RFID_RW_PutRawData(bytes.data(), static_cast<uint32_t>(bytes.size() + 1));
    if (result == RFID_RW_NOT_PRESENT)
        return NoReader();
    if (result != RFID_RW_OK)
        return CallFailed("RFID_RW_PutRawData");
    return ExitOk;
}

int CommandRawListen(bool json, long count, double seconds)
{
    WarnIfNormalMode("sends no raw input");
    using Clock = std::chrono::steady_clock;
    long received = 0;
    auto last = Clock::now();
    for (;;) {
        char data[RFID_RW_DATA_SIZE];
        uint32_t size = 0;
        const int32_t result = RFID_RW_GetRawData(data, &size);
        if (result == RFID_RW_NOT_PRESENT)
            return NoReader();
        if (result != RFID_RW_OK)
            return CallFailed("RFID_RW_GetRawData");
        if (size > 0) {
            const std::string text =
                readerconfig::HexBytes({reinterpret_cast<const uint8_t *>(data), std::min<size_t>(size, sizeof data)});
            if (json)
                std::printf("%s\n", JsonObject({{"length", JsonInteger(size)}, {"data", JsonString(text)}}).text.c_str());
            else
                std::printf("%s\n", text.c_str());
            std::fflush(stdout);
            last = Clock::now();
            if (count > 0 && ++received >= count)
                return ExitOk;
        } else if (seconds > 0 && std::chrono::duration<double>(Clock::now() - last).count() >= seconds) {
            return ExitOk;
        }
    }
}

} // namespace korvelctl
