#include "ConfigFile.h"

#include "IniFile.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

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
constexpr std::array<const char *, 4> Sections = {"Before", CardCodeSection, "After", "Remove"};
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

TKeyboardConfig FromIni(const TIniFile &file)
{
    TKeyboardConfig config;
    ReadReport(file, "Before", config.Before);
    config.ConfByte = file.ReadInteger(CardCodeSection, ConfByteKey, 0);
    ReadReport(file, "After", config.After);
    ReadReport(file, "Remove", config.Remove);
    return config;
}

std::string Quoted(const std::string &fileName)
{
    return '"' + fileName + '"';
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
    return FromIni(TIniFile(fileName));
}

std::optional<TKeyboardConfig> ParseConfigText(std::string_view text)
{
    const TIniFile file = TIniFile::FromText(text);
    for (const char *section : Sections)
        if (file.HasSection(section))
            return FromIni(file);
    return std::nullopt;
}

std::optional<TKeyboardConfig> ReadConfigFileChecked(const std::string &fileName, std::string &error)
{
    std::error_code status;
    const std::filesystem::path path = NativePath(fileName);
    if (std::filesystem::is_directory(path, status)) {
        error = Quoted(fileName) + " is a directory, not a configuration file";
        return std::nullopt;
    }
    if (std::filesystem::exists(path, status) && !std::filesystem::is_regular_file(path, status)) {
        error = Quoted(fileName) + " is not a regular file";
        return std::nullopt;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot read " + Quoted(fileName) + ": " + std::strerror(errno);
        return std::nullopt;
    }
    // One byte more than the limit tells a file that is too large.
    std::string data;
    char chunk[65536];
    while (data.size() <= MaxIniFileSize) {
        in.read(chunk, sizeof chunk);
        data.append(chunk, static_cast<std::size_t>(in.gcount()));
        if (!in)
            break;
    }
    if (in.bad()) {
        error = "cannot read " + Quoted(fileName) + ": " + std::strerror(errno);
        return std::nullopt;
    }
    if (data.size() > MaxIniFileSize) {
        error = Quoted(fileName) + " is larger than " + std::to_string(MaxIniFileSize / (1024 * 1024)) +
                " MiB, too large for a configuration file";
        return std::nullopt;
    }
    auto config = ParseConfigText(data);
    if (!config)
        error = Quoted(fileName) +
                " is not a configuration file: it has none of the sections Before, CardCode, After and Remove";
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
