#include "CommandProtocol.h"

#include "HexText.h"

#include <algorithm>
#include <cstdio>

namespace readersim {
namespace {

// Prefix or suffix bytes for the event log: printable characters as they
// are, others as \xNN, trailing zero bytes left out.
std::string readableChars(const std::array<uint8_t, 6> &chars)
{
    size_t end = chars.size();
    while (end > 0 && chars[end - 1] == 0)
        --end;
    std::string out;
    for (size_t i = 0; i < end; ++i) {
        if (chars[i] >= 0x20 && chars[i] < 0x7F) {
            out += static_cast<char>(chars[i]);
        } else {
            char text[5];
            std::snprintf(text, sizeof text, "\\x%02x", chars[i]);
            out += text;
        }
    }
    return out;
}

} // namespace

bool ApplyCommand(ProtocolState &state, const FeatureReport &r, std::vector<std::string> &events)
{
    ReaderSettings &s = state.settings;
    const uint8_t command = r[1];
    switch (command) {
    case CmdRequestData:
        state.pendingItem = r[2];
        state.pendingParameter = r[3];
        return false;
    case CmdPlaySound:
        events.push_back("sound " + std::to_string(r[2]));
        return false;
    case CmdSetConfigBits:
        s.confByte = r[2];
        events.push_back("config " + HexByte(s.confByte));
        return true;
    case CmdSetDeviceMode:
        s.deviceMode = r[3];
        events.push_back("mode " + std::to_string(s.deviceMode));
        return true;
    case CmdSetEnable:
        s.enable = r[2];
        events.push_back("enable " + std::to_string(s.enable));
        return true;
    case CmdSetPrefix:
    case CmdSetSufix: {
        auto &chars = command == CmdSetPrefix ? s.prefix : s.sufix;
        std::copy_n(r.begin() + 2, chars.size(), chars.begin());
        const std::string text = readableChars(chars);
        events.push_back((command == CmdSetPrefix ? "prefix" : "sufix") + (text.empty() ? "" : " " + text));
        return true;
    }
    case CmdBeforeFirstHalf:
    case CmdBeforeSecondHalf:
    case CmdAfterFirstHalf:
    case CmdAfterSecondHalf:
    case CmdRemoveFirstHalf:
    case CmdRemoveSecondHalf: {
        // Tens pick the report, units the half: 1 is Modifier..Key2, 2 is Key3..Key6.
        const size_t which = command / 10 - 1;
        KeyboardReport &keys = s.*KeyboardReportFields[which];
        std::copy_n(r.begin() + 2, 4, keys.begin() + (command % 10 == 1 ? 0 : 4));
        events.push_back(std::string(KeyboardReportNames[which]) + ' ' + HexList(keys));
        return true;
    }
    case CmdSetFactoryId:
        s.factoryId = r[2] | r[3] << 8 | r[4] << 16 | static_cast<uint32_t>(r[5]) << 24;
        events.push_back("factory-id " + std::to_string(s.factoryId));
        return true;
    case CmdSetProductionDate:
        s.productionYear = r[2];
        s.productionMonth = r[3];
        s.productionDay = r[4];
        events.push_back("production-date " + std::to_string(r[2]) + ' ' + std::to_string(r[3]) + ' ' +
                         std::to_string(r[4]));
        return true;
    default:
        events.push_back("unknown command " + std::to_string(command));
        return false;
    }
}

FeatureReport AnswerPendingItem(const ProtocolState &state)
{
    FeatureReport a{};
    const ReaderSettings &s = state.settings;
    // Card code bytes from `offset` into a[1..count], zeros past its end.
    const auto codeBytes = [&](size_t offset, size_t count) {
        for (size_t i = 0; i < count; ++i)
            a[1 + i] = offset + i < state.card.size() ? state.card[offset + i] : 0;
    };
    switch (state.pendingItem) {
    case ItemBeforeReport:
    case ItemAfterReport:
    case ItemRemoveReport: {
        const KeyboardReport &keys = s.*KeyboardReportFields[state.pendingItem - ItemBeforeReport];
        std::copy(keys.begin(), keys.end(), a.begin() + 1);
        break;
    }
    case ItemConfig:
        a[5] = s.confByte;
        a[6] = s.confByte2;
        a[7] = s.deviceMode;
        break;
    case ItemEnable:
        a[1] = s.enable;
        break;
    case ItemCardCode:
        codeBytes(0, 5);
        break;
    case ItemPrefix:
    case ItemSufix: {
        const auto &chars = state.pendingItem == ItemPrefix ? s.prefix : s.sufix;
        std::copy(chars.begin(), chars.end(), a.begin() + 1);
        break;
    }
    case ItemExCodeLength:
        a[1] = static_cast<uint8_t>(state.card.size());
        break;
    case ItemExCodeChunk:
        codeBytes(state.pendingParameter, 7);
        break;
    case ItemFactoryId:
        for (size_t i = 0; i < 4; ++i)
            a[1 + i] = static_cast<uint8_t>(s.factoryId >> (8 * i));
        break;
    case ItemProductionDate:
        a[1] = s.productionYear;
        a[2] = s.productionMonth;
        a[3] = s.productionDay;
        break;
    default: // nothing requested yet, or an item the reader does not know
        break;
    }
    return a;
}

} // namespace readersim
