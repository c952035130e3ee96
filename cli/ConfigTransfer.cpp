#include "ConfigTransfer.h"

#include "korvel.h"

namespace korvelctl {
namespace {

// Each part a file holds, with the calls that carry it, in the order the
// tool writes them.
struct Part {
    const char *name;
    const char *getName;
    const char *setName;
    bool (*get)(TKeyboardConfig &config);
    bool (*set)(const TKeyboardConfig &config);
};

const Part Parts[] = {
    {"config-bits", "RFID_GetConfigBits", "RFID_SetConfigBits",
     [](TKeyboardConfig &c) { return RFID_GetConfigBits(&c.ConfByte) != 0; },
     [](const TKeyboardConfig &c) { return RFID_SetConfigBits(static_cast<uint8_t>(c.ConfByte)) != 0; }},
    {"before", "RFID_GetBeforeHidKeyboardReport", "RFID_SetBeforeHidKeyboardReport",
     [](TKeyboardConfig &c) { return RFID_GetBeforeHidKeyboardReport(&c.Before) != 0; },
     [](const TKeyboardConfig &c) { return RFID_SetBeforeHidKeyboardReport(&c.Before) != 0; }},
    {"after", "RFID_GetAfterHidKeyboardReport", "RFID_SetAfterHidKeyboardReport",
     [](TKeyboardConfig &c) { return RFID_GetAfterHidKeyboardReport(&c.After) != 0; },
     [](const TKeyboardConfig &c) { return RFID_SetAfterHidKeyboardReport(&c.After) != 0; }},
    {"remove", "RFID_GetRemoveHidKeyboardReport", "RFID_SetRemoveHidKeyboardReport",
     [](TKeyboardConfig &c) { return RFID_GetRemoveHidKeyboardReport(&c.Remove) != 0; },
     [](const TKeyboardConfig &c) { return RFID_SetRemoveHidKeyboardReport(&c.Remove) != 0; }},
};

} // namespace

std::optional<TKeyboardConfig> ReadReaderConfig(std::string &function)
{
    TKeyboardConfig config;
    for (const Part &part : Parts) {
        if (!part.get(config)) {
            function = part.getName;
            return std::nullopt;
        }
    }
    return config;
}

bool WriteReaderConfig(const TKeyboardConfig &config, std::string &function)
{
    for (const Part &part : Parts) {
        if (!part.set(config)) {
            function = part.setName;
            return false;
        }
    }
    return true;
}

} // namespace korvelctl
