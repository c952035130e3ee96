#include "ReportDescriptor.h"

#include <algorithm>
#include <array>
#include <vector>

namespace korvel::os {
namespace {

struct GlobalState {
    uint32_t usagePage = 0;
    uint32_t reportSize = 0;
    uint32_t reportCount = 0;
    uint8_t reportId = 0;
};

enum ReportKind { Input, Output, Feature, KindCount };

constexpr size_t MaxPushDepth = 16;
constexpr uint64_t MaxLength = 0xFFFF;

// One short item of a descriptor.
struct Item {
    int type; // 0 main, 1 global, 2 local
    int tag;
    size_t size; // data bytes
    uint32_t value;
};

// The little-endian value of an item's data bytes (none for a 0-byte item).
uint32_t itemValue(std::span<const uint8_t> data)
{
    uint32_t value = 0;
    for (size_t i = 0; i < data.size(); ++i)
        value |= uint32_t{data[i]} << (8 * i);
    return value;
}

// Calls visit(item) for each short item in order, skipping long items.
// False when an item runs past the end or `visit` returns false.
template <typename Visit>
bool forEachItem(std::span<const uint8_t> descriptor, Visit visit)
{
    size_t i = 0;
    while (i < descriptor.size()) {
        const uint8_t prefix = descriptor[i];
        if (prefix == 0xFE) { // long item: size byte, tag byte, data
            if (i + 2 >= descriptor.size())
                return false;
            const size_t size = descriptor[i + 1];
            if (i + 3 + size > descriptor.size())
                return false;
            i += 3 + size;
            continue;
        }
        static constexpr size_t sizes[] = {0, 1, 2, 4};
        const size_t size = sizes[prefix & 3];
        if (i + 1 + size > descriptor.size())
            return false;
        // A subspan, not &descriptor[i + 1]: an item without data may be
        // the last byte, and indexing one past the end is out of bounds.
        const Item item{(prefix >> 2) & 3, prefix >> 4, size, itemValue(descriptor.subspan(i + 1, size))};
        i += 1 + size;
        if (!visit(item))
            return false;
    }
    return true;
}

} // namespace

std::optional<ReportDescriptorFacts> parseReportDescriptor(std::span<const uint8_t> descriptor)
{
    // Bits per report ID and kind.
    std::array<std::array<uint64_t, 256>, KindCount> bits{};
    GlobalState global;
    std::vector<GlobalState> stack;
    uint32_t firstUsage = 0;
    bool haveUsage = false;
    int depth = 0;
    ReportDescriptorFacts facts;
    HidCaps &caps = facts.caps;
    bool topCollectionSeen = false;

    const bool wellFormed = forEachItem(descriptor, [&](const Item &item) {
        const uint32_t value = item.value;
        const int tag = item.tag;
        if (item.type == 0) { // main
            ReportKind kind = KindCount;
            if (tag == 0x8)
                kind = Input;
            else if (tag == 0x9)
                kind = Output;
            else if (tag == 0xB)
                kind = Feature;
            if (kind != KindCount) {
                uint64_t &total = bits[kind][global.reportId];
                total = std::min<uint64_t>(total + uint64_t{global.reportSize} * global.reportCount,
                                           MaxLength * 8);
            } else if (tag == 0xA) { // collection
                if (depth == 0 && !topCollectionSeen) {
                    topCollectionSeen = true;
                    caps.UsagePage = static_cast<uint16_t>(
                        haveUsage && firstUsage > 0xFFFF ? firstUsage >> 16 : global.usagePage);
                    caps.Usage = static_cast<uint16_t>(firstUsage & 0xFFFF);
                }
                ++depth;
            } else if (tag == 0xC) { // end collection
                depth = std::max(0, depth - 1);
            }
            haveUsage = false; // local items end with each main item
            firstUsage = 0;
        } else if (item.type == 1) { // global
            switch (tag) {
            case 0x0: global.usagePage = value; break;
            case 0x7: global.reportSize = value; break;
            case 0x8:
                global.reportId = static_cast<uint8_t>(value);
                facts.reportIds = true;
                break;
            case 0x9: global.reportCount = value; break;
            case 0xA:
                if (stack.size() == MaxPushDepth)
                    return false;
                stack.push_back(global);
                break;
            case 0xB:
                if (stack.empty())
                    return false;
                global = stack.back();
                stack.pop_back();
                break;
            default: break;
            }
        } else if (item.type == 2) { // local
            if (tag == 0x0 && !haveUsage) {
                haveUsage = true;
                firstUsage = item.size == 4 ? value : value & 0xFFFF;
            }
        }
        return true;
    });
    if (!wellFormed)
        return std::nullopt;

    auto length = [&](ReportKind kind) -> uint16_t {
        uint64_t largest = 0;
        for (uint64_t b : bits[kind])
            largest = std::max(largest, (b + 7) / 8);
        return largest == 0 ? 0 : static_cast<uint16_t>(std::min(largest + 1, MaxLength));
    };
    caps.InputReportByteLength = length(Input);
    caps.OutputReportByteLength = length(Output);
    caps.FeatureReportByteLength = length(Feature);
    return facts;
}

} // namespace korvel::os
