#include "ConfigFile.h"

#include "IniFile.h"

#include <array>
#include <cstring>

namespace {

struct TReportKey {
    const char *name;
    uint8_t TKeybHIDReport::*field;
};

constexpr std::array<TReportKey, 8> ReportKeys = {{
    {"Modifier", &TKeybHIDReport::Modifier},
    {"Reserved", &TKeybHIDReport::Reserved},
    {"Key1", &TKeybHIDReport::Key1},
    {"Key2", &TKeybHIDReport::Key2},
    {"Key3", &TKeybHIDReport::Key3},
    {"Key4", &TKeybHIDReport::Key4},
    {"Key5", &TKeybHIDReport::Key5},
    {"Key6", &TKeybHIDReport::Key6},
}};

constexpr const char *CardCodeSection = "CardCode";
constexpr const char *ConfByteKey = "ConfByte";

void ReadReport(const TIniFile &file, const char *section, TKeybHIDReport &report)
{
    for (const TReportKey &key : ReportKeys)
        report.*key.field = static_cast<uint8_t>(file.ReadInteger(section, key.name, 0));
}

void WriteReport(TIniFile &file, const char *section, const TKeybHIDReport &report)
{
    for (const TReportKey &key : ReportKeys)
        file.WriteInteger(section, key.name, report.*key.field);
}

} // namespace

bool TKeyboardConfig::operator==(const TKeyboardConfig &other) const
{
    return ConfByte == other.ConfByte && std::memcmp(&Before, &other.Before, sizeof Before) == 0 &&
           std::memcmp(&After, &other.After, sizeof After) == 0 &&
           std::memcmp(&Remove, &other.Remove, sizeof Remove) == 0;
}

TKeyboardConfig ReadConfigFile(const std::string &fileName)
{
    const TIniFile file(fileName);
    TKeyboardConfig config;
    ReadReport(file, "Before", config.Before);
    config.ConfByte = file.ReadInteger(CardCodeSection, ConfByteKey, 0);
    ReadReport(file, "After", config.After);
    ReadReport(file, "Remove", config.Remove);
    return config;
}

void WriteConfigFile(const std::string &fileName, const TKeyboardConfig &config)
{
    TIniFile file(fileName);
    WriteReport(file, "Before", config.Before);
    file.WriteInteger(CardCodeSection, ConfByteKey, config.ConfByte);
    WriteReport(file, "After", config.After);
    WriteReport(file, "Remove", config.Remove);
}
