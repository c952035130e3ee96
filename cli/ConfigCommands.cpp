// save and load: the reader's keyboard configuration and .rfc files.
#include "Commands.h"

#include "ConfigTransfer.h"
#include "Status.h"

#include <optional>
#include <stdexcept>

namespace korvelctl {

int CommandSave(const std::string &fileName)
{
    if (!RFID_OpenDevice())
        return NoReader();
    std::string function;
    const auto config = ReadReaderConfig(function);
    if (!config)
        return CallFailed(function);
    try {
        WriteConfigFile(fileName, *config);
    } catch (const std::exception &e) {
        return FileError(e.what());
    }
    return ExitOk;
}

int CommandLoad(const std::string &fileName)
{
    // The whole file is read and checked before the reader is touched.
    std::string error;
    const std::optional<TKeyboardConfig> config = ReadConfigFileChecked(fileName, error);
    if (!config)
        return FileError(error + "; nothing was written to the reader");
    if (!RFID_OpenDevice())
        return NoReader();
    std::string function;
    return WriteReaderConfig(*config, function) ? ExitOk : CallFailed(function);
}

} // namespace korvelctl
