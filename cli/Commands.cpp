#include "Commands.h"

#include "ConfigFile.h"
#include "Output.h"
#include "Settings.h"
#include "Status.h"
#include "korvel.h"

#include <chrono>
#include <optional>
#include <cstdio>
#include <stdexcept>

namespace korvelctl {
namespace {

std::string DateText(const TDeviceData &data)
{
    char text[16];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", data.ProductionYear, data.ProductionMonth, data.ProductionDay);
    return text;
}

std::string HexBytes(const char *bytes, uint32_t count)
{
    std::string text;
    for (uint32_t i = 0; i < count; ++i) {
        char hex[3];
        std::snprintf(hex, sizeof hex, "%02X", static_cast<unsigned char>(bytes[i]));
        text += hex;
    }
    return text;
}

} // namespace

int CommandInfo(const Options &options)
{
    if (!RFID_OpenDevice())
        return NoReader();
    TDeviceData data{};
    const bool ok = RFID_GetDeviceData(&data);
    if (!data.ManufacturerStr) // gone before anything was read
        return NoReader();
    if (!ok)
        return CallFailed("RFID_GetDeviceData");
    char version[16];
    std::snprintf(version, sizeof version, "%.1f", data.Version);
    PrintFields({{"manufacturer", data.ManufacturerStr, JsonString(data.ManufacturerStr)},
                 {"product", data.ProductStr, JsonString(data.ProductStr)},
                 {"firmware", version, JsonNumber(data.Version)},
                 {"factory-id", std::to_string(data.FactoryID), JsonInteger(data.FactoryID)},
                 {"production-date", DateText(data), JsonString(DateText(data))}},
                options.json);
    return ExitOk;
}

int CommandGet(const Options &options, const std::vector<std::string> &names)
{
    std::vector<const Setting *> wanted;
    for (const std::string &name : names) {
        const Setting *setting = FindSetting(name);
        if (!setting)
            return BadArguments("unknown setting '" + name + "'");
        wanted.push_back(setting);
    }
    if (names.empty())
        for (const Setting &s : Settings())
            wanted.push_back(&s);
    if (!RFID_OpenDevice())
        return NoReader();
    // Settings the firmware does not answer are marked, not asked for (when
    // the version cannot be read, every setting is asked for).
    TDeviceData data{};
    const bool versionKnown = RFID_GetDeviceData(&data) != 0;
    // Every setting the reader answers is shown; a failed call is reported
    // and the others still printed.
    int status = ExitOk;
    std::vector<Field> fields;
    for (const Setting *setting : wanted) {
        if (versionKnown && data.Version < setting->minVersion) {
            fields.push_back({setting->name, "(not supported by this firmware)", JsonNull()});
            if (!names.empty() && status == ExitOk)
                status = ExitUnsupported;
            continue;
        }
        std::string function;
        const auto field = setting->read(function);
        if (!field) {
            status = CallFailed(function);
            continue;
        }
        fields.push_back(*field);
    }
    PrintFields(fields, options.json);
    return status;
}

int CommandSet(const std::string &name, const std::string &value)
{
    const Setting *setting = FindSetting(name);
    if (!setting)
        return BadArguments("unknown setting '" + name + "'");
    if (!setting->write)
        return BadArguments("'" + name + "' cannot be written");
    if (const std::string error = setting->check(value); !error.empty())
        return BadArguments(error);
    if (!RFID_OpenDevice())
        return NoReader();
    return setting->write(value);
}

int CommandSave(const std::string &fileName)
{
    if (!RFID_OpenDevice())
        return NoReader();
    TKeyboardConfig config;
    if (!RFID_GetBeforeHidKeyboardReport(&config.Before))
        return CallFailed("RFID_GetBeforeHidKeyboardReport");
    if (!RFID_GetConfigBits(&config.ConfByte))
        return CallFailed("RFID_GetConfigBits");
    if (!RFID_GetAfterHidKeyboardReport(&config.After))
        return CallFailed("RFID_GetAfterHidKeyboardReport");
    if (!RFID_GetRemoveHidKeyboardReport(&config.Remove))
        return CallFailed("RFID_GetRemoveHidKeyboardReport");
    try {
        WriteConfigFile(fileName, config);
    } catch (const std::exception &e) {
        return FileError(e.what());
    }
    return ExitOk;
}

int CommandLoad(const std::string &fileName)
{
    // The whole file is read and checked before the reader is touched.
    std::string error;
    const std::optional<TKeyboardConfig> read = ReadConfigFileChecked(fileName, error);
    if (!read)
        return FileError(error + "; nothing was written to the reader");
    const TKeyboardConfig &config = *read;
    if (!RFID_OpenDevice())
        return NoReader();
    if (!RFID_SetConfigBits(static_cast<uint8_t>(config.ConfByte)))
        return CallFailed("RFID_SetConfigBits");
    if (!RFID_SetBeforeHidKeyboardReport(&config.Before))
        return CallFailed("RFID_SetBeforeHidKeyboardReport");
    if (!RFID_SetAfterHidKeyboardReport(&config.After))
        return CallFailed("RFID_SetAfterHidKeyboardReport");
    if (!RFID_SetRemoveHidKeyboardReport(&config.Remove))
        return CallFailed("RFID_SetRemoveHidKeyboardReport");
    return ExitOk;
}

int CommandRawSend(const std::string &hex)
{
    std::string digits;
    for (char c : hex)
        if (c != ' ' && c != ':')
            digits += c;
    if (digits.size() % 2 || digits.size() > 2 * RFID_RW_DATA_SIZE || digits.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
        return BadArguments("raw send takes up to 63 bytes in hexadecimal");
    std::string bytes;
    for (size_t i = 0; i < digits.size(); i += 2)
        bytes += static_cast<char>(std::stoul(digits.substr(i, 2), nullptr, 16));
    // The report's data area carries Size - 1 bytes: Size is one more than
    // the bytes given, so that every one of them is sent.
    const int32_t result = RFID_RW_PutRawData(bytes.data(), static_cast<uint32_t>(bytes.size() + 1));
    if (result == RFID_RW_NOT_PRESENT)
        return NoReader();
    if (result != RFID_RW_OK)
        return CallFailed("RFID_RW_PutRawData");
    return ExitOk;
}

int CommandRawListen(const Options &options, long count, double seconds)
{
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
            const std::string text = HexBytes(data, size);
            if (options.json)
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
