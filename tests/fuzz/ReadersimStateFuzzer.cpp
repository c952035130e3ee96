// readersim's state file over any content. What must hold: the settings
// it loads are saved and loaded back unchanged, through the file and
// through the text alone.
#include "FuzzSupport.h"
#include "StateFile.h"

using korvel::fuzz::scratch;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::string path = scratch().file("state");
    korvel::fuzz::writeFile(path, data, size);
    const auto settings = readersim::loadSettings(path);
    FUZZ_CHECK(settings);
    FUZZ_CHECK(readersim::ReaderSettings::fromText(settings->toText()) == *settings);

    const std::string saved = scratch().file("saved");
    readersim::saveSettings(saved, *settings);
    FUZZ_CHECK(readersim::loadSettings(saved) == settings);
    return 0;
}
