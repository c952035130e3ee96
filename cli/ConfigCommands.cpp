// save, load and diff: the reader's keyboard configuration and .rfc files.
#include "Commands.h"

#include "ConfigTransfer.h"
#include "ReplaceFile.h"
#include "Status.h"

#include <cstdio>
#include <optional>
#include <stdexcept>

namespace korvelctl {
namespace {

// The file, read and checked in full before the reader is touched.
std::optional<TKeyboardConfig> ReadFile(const std::string &fileName, const char *consequence, int &status)
{
    std::string error;
    auto config = ReadConfigFileChecked(fileName, error);
    if (!config)
        status = FileError(error + consequence);
    return config;
}

} // namespace

int CommandSave(const std::string &fileName)
{
    if (!RFID_OpenDevice())
        return NoReader();
    std::string function;
    const auto config = ReadReaderConfig(function);
    if (!config)
        return CallFailed(function);
    try {
        ReplaceConfigFile(fileName, *config);
    } catch (const std::exception &e) {
        return FileError(e.what());
    }
    return ExitOk;
}

int CommandLoad(const std::string &fileName, bool verify)
{
    int status = ExitOk;
    const auto config = ReadFile(fileName, "; nothing was written to the reader", status);
    if (!config)
        return status;
    if (!RFID_OpenDevice())
        return NoReader();
    const LoadResult result = LoadIntoReader(*config, verify);
    if (!result.failure.empty())
        std::fprintf(stderr, "korvelctl: %s\n", result.failure.c_str());
    for (const Difference &d : result.differences)
        std::fprintf(stderr, "korvelctl: the reader does not hold what was written: %s\n", d.line().c_str());
    return result.ok() ? ExitOk : ExitCallFailed;
}

int CommandDiff(bool json, const std::string &fileName)
{
    int status = ExitOk;
    const auto config = ReadFile(fileName, "", status);
    if (!config)
        return status;
    if (!RFID_OpenDevice())
        return NoReader();
    std::string function;
    const auto reader = ReadReaderConfig(function);
    if (!reader)
        return CallFailed(function);
    const std::vector<Difference> differences = Differences(*config, *reader);
    if (json)
        std::printf("%s\n", DifferencesJson(differences).text.c_str());
    else
        for (const Difference &d : differences)
            std::printf("%s\n", d.line().c_str());
    return differences.empty() ? ExitOk : ExitDiffers;
}

} // namespace korvelctl
