#include "ConfigBitNames.h"

namespace readerconfig {

const std::array<TConfigBitMeaning, 6> ConfigBitMeanings = {{
    {"enter", RFID_CFG_ENTER, "on", "off", "on|off", "Enter is typed after the card code"},
    {"case", RFID_CFG_UPPERCASE, "upper", "lower", "upper|lower", "letters of the code in upper or lower case"},
    {"leave-until-removed", RFID_CFG_LEAVE_AFTER_KEY, "on", "off", "on|off",
     "leave after key set until the card code is removed"},
    {"sound", RFID_CFG_SOUND, "on", "off", "on|off", "the reader beeps for a card"},
    {"manager-compatible", RFID_CFG_MANAGER, "on", "off", "on|off", "six 'E' characters are typed before the code"},
    {"digits", RFID_CFG_DECIMAL, "decimal", "hexadecimal", "decimal|hexadecimal",
     "the code is typed in decimal or hexadecimal"},
}};

} // namespace readerconfig
