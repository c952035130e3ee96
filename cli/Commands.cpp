#include "Commands.h"

#include "Output.h"
#include "Settings.h"
#include "Status.h"

#include <cstdio>

namespace korvelctl {

std::string ProductionDate(const TDeviceData &data)
{
    char text[16];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", data.ProductionYear, data.ProductionMonth, data.ProductionDay);
    return text;
}

int CommandInfo(bool json)
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
                 {"production-date", ProductionDate(data), JsonString(ProductionDate(data))}},
                json);
    return ExitOk;
}

int CommandGet(bool json, const std::vector<std::string> &names)
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
    PrintFields(fields, json);
    return status;
}

int CommandSet(const std::string &name, const std::string &value)
{
    const Setting *setting = FindSetting(name);
    if (!setting)
        return BadArguments("unknown setting '" + name + "'");
    if (!setting->parse)
        return BadArguments("'" + name + "' cannot be written");
    std::string error;
    const auto write = setting->parse(value, error);
    if (!write)
        return BadArguments(error);
    if (!RFID_OpenDevice())
        return NoReader();
    return (*write)();
}

} // namespace korvelctl
