#include "EvdevReports.h"

#include "UsageKeys.h"

#include <algorithm>
#include <map>

namespace readersim {
namespace {

// Usage codes of the modifier bits, bit 0 first.
constexpr uint8_t FirstModifierUsage = 0xE0;

constexpr int32_t KeyboardPage = 0x70000; // what MSC_SCAN reports: page and usage

// Key code -> usage of the keys a report holds.
std::map<uint16_t, uint8_t> keysOf(const BootReport &report)
{
    std::map<uint16_t, uint8_t> keys;
    for (uint8_t usage : report.keys)
        if (const uint16_t key = KernelKeyOfUsage(usage))
            keys.emplace(key, usage);
    return keys;
}

} // namespace

std::vector<input_event> EvdevReports::frame(const BootReport &report, timeval time)
{
    std::vector<input_event> events;
    auto add = [&](uint16_t type, uint16_t code, int32_t value) { events.push_back({time, type, code, value}); };
    // Each key change comes with the scan code it was reported as.
    auto key = [&](uint16_t code, uint8_t usage, bool down) {
        add(EV_MSC, MSC_SCAN, KeyboardPage | usage);
        add(EV_KEY, code, down);
        if (down)
            repeating_ = code;
        else if (code == repeating_)
            repeating_ = 0;
    };
    for (int bit = 0; bit < 8; ++bit) {
        const bool was = held_.modifiers & (1u << bit), is = report.modifiers & (1u << bit);
        const auto usage = static_cast<uint8_t>(FirstModifierUsage + bit);
        if (was != is)
            key(KernelKeyOfUsage(usage), usage, is);
    }
    const auto before = keysOf(held_), after = keysOf(report);
    for (const auto &[code, usage] : before)
        if (!after.count(code))
            key(code, usage, false);
    for (const auto &[code, usage] : after)
        if (!before.count(code))
            key(code, usage, true);
    if (!events.empty())
        add(EV_SYN, SYN_REPORT, 0);
    held_ = report;
    return events;
}

} // namespace readersim
