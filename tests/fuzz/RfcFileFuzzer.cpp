// The .rfc reader over any file content, then a write/read round trip:
// values written into that same file read back as written, and so do the
// values read when written to a new file.
#include "ConfigFile.h"
#include "FuzzSupport.h"

#include <optional>
#include <stdexcept>

using korvel::fuzz::scratch;

namespace {

// The two calls on the configuration file code; nullopt stands for a file
// the reader refuses.
std::optional<TKeyboardConfig> readRfc(const std::string &path)
{
    std::string error;
    return ReadConfigFileChecked(path, error);
}

// False when the file cannot be written.
bool writeRfc(const std::string &path, const TKeyboardConfig &config)
{
    try {
        WriteConfigFile(path, config);
        return true;
    } catch (const std::runtime_error &) {
        return false;
    }
}

// Every byte and bit changed, so that each key is written anew.
TKeyboardConfig changed(TKeyboardConfig config)
{
    for (TKeybHIDReport *report : {&config.Before, &config.After, &config.Remove}) {
        auto *bytes = reinterpret_cast<uint8_t *>(report);
        for (size_t i = 0; i < sizeof *report; ++i)
            bytes[i] = static_cast<uint8_t>(bytes[i] ^ 0xA5);
    }
    config.ConfByte = ~config.ConfByte;
    return config;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::string path = scratch().file("input.rfc");
    korvel::fuzz::writeFile(path, data, size);
    const std::optional<TKeyboardConfig> read = readRfc(path);
    if (!read)
        return 0;

    const TKeyboardConfig written = changed(*read);
    if (writeRfc(path, written)) {
        const auto back = readRfc(path);
        FUZZ_CHECK(back && *back == written);
    }

    const std::string fresh = scratch().file("fresh.rfc");
    std::filesystem::remove(fresh);
    FUZZ_CHECK(writeRfc(fresh, *read));
    const auto back = readRfc(fresh);
    FUZZ_CHECK(back && *back == *read);
    return 0;
}
