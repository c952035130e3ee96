#include "ReaderQueries.h"

#include "korvel.h"

#include <algorithm>
#include <cstring>

namespace cardlistener {
namespace {

bool readReport(int32_t (*get)(TKeybHIDReport *), std::array<uint8_t, 8> &out)
{
    TKeybHIDReport report{};
    if (!get(&report))
        return false;
    std::memcpy(out.data(), &report, out.size());
    return true;
}

bool readAffix(int32_t (*get)(char *), std::string &out)
{
    char text[RFID_TEXT_SIZE] = {};
    if (!get(text))
        return false;
    out.assign(text, strnlen(text, sizeof text));
    return true;
}

} // namespace

std::optional<KeyboardConfig> ReadKeyboardConfig()
{
    KeyboardConfig config;
    int32_t bits = 0;
    if (!RFID_GetConfigBits(&bits) || !readAffix(RFID_GetPrefix, config.prefix) ||
        !readAffix(RFID_GetSufix, config.sufix) || !readReport(RFID_GetBeforeHidKeyboardReport, config.before) ||
        !readReport(RFID_GetAfterHidKeyboardReport, config.after) ||
        !readReport(RFID_GetRemoveHidKeyboardReport, config.remove))
        return std::nullopt;
    config.confByte = static_cast<uint8_t>(bits);
    return config;
}

std::optional<ReaderIdentity> ReadReaderIdentity()
{
    TDeviceData data{};
    if (!RFID_GetDeviceData(&data))
        return std::nullopt;
    return ReaderIdentity{data.ManufacturerStr, data.ProductStr, data.FactoryID, data.Version};
}

std::optional<std::vector<uint8_t>> ReadCardCode()
{
    int32_t length = 0;
    uint8_t code[RFID_CARD_CODE_SIZE] = {};
    if (!RFID_GetCardCode(&length, code))
        return std::nullopt;
    return std::vector<uint8_t>(code, code + std::clamp<int32_t>(length, 0, RFID_CARD_CODE_SIZE));
}

std::string DecimalOf(const std::vector<uint8_t> &bytes)
{
    std::vector<uint8_t> number = bytes;
    std::string digits;
    while (std::any_of(number.begin(), number.end(), [](uint8_t b) { return b != 0; })) {
        unsigned remainder = 0;
        for (uint8_t &b : number) {
            const unsigned value = remainder * 256 + b;
            b = static_cast<uint8_t>(value / 10);
            remainder = value % 10;
        }
        digits.insert(digits.begin(), static_cast<char>('0' + remainder));
    }
    return digits.empty() ? "0" : digits;
}

} // namespace cardlistener
