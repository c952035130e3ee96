#include "KeyStrokes.h"

#include "KeyCodes.h"

#include <linux/input-event-codes.h>

#include <utility>

namespace cardlistener {
namespace {

constexpr uint8_t Shifts = 0x02 | 0x20; // Left Shift, Right Shift
constexpr uint8_t LeftShift = 0x02;

} // namespace

std::optional<char> CharacterOf(const Stroke &stroke)
{
    if (stroke.keys.size() != 1 || (stroke.modifiers & ~Shifts) != 0)
        return std::nullopt;
    return CharacterOfKey(stroke.keys[0], stroke.modifiers != 0);
}

std::optional<Stroke> StrokeOf(char c)
{
    // The layout table is the one source; unshifted keys first.
    for (bool shift : {false, true})
        for (uint16_t key = 1; key < 256; ++key)
            if (CharacterOfKey(key, shift) == c)
                return Stroke{static_cast<uint8_t>(shift ? LeftShift : 0), {key}};
    return std::nullopt;
}

std::optional<Stroke> StrokeReader::feed(uint16_t type, uint16_t code, int32_t value)
{
    if (type == EV_SYN && code == SYN_DROPPED) {
        reset();
        lost_ = dropping_ = true;
        return std::nullopt;
    }
    if (type == EV_SYN && code == SYN_REPORT) {
        dropping_ = false;
        const bool pressed = std::exchange(pressedInFrame_, false);
        const bool released = std::exchange(releasedInFrame_, false);
        if (pressed) {
            Stroke stroke{modifiers_, {held_.begin(), held_.end()}};
            if (stroke.keys.empty()) {
                modifiersAlone_ = std::move(stroke);
                return std::nullopt;
            }
            modifiersAlone_.reset();
            return stroke;
        }
        if (released && modifiersAlone_)
            return std::exchange(modifiersAlone_, std::nullopt);
        return std::nullopt;
    }
    if (type != EV_KEY || dropping_ || value == 2)
        return std::nullopt;
    const bool down = value != 0;
    if (const uint8_t bit = ModifierBitOfKey(code)) {
        modifiers_ = down ? (modifiers_ | bit) : (modifiers_ & ~bit);
    } else if (down) {
        held_.insert(code);
    } else {
        held_.erase(code);
    }
    pressedInFrame_ |= down;
    releasedInFrame_ |= !down;
    return std::nullopt;
}

bool StrokeReader::takeLoss()
{
    const bool lost = lost_;
    lost_ = false;
    return lost;
}

void StrokeReader::reset()
{
    modifiers_ = 0;
    held_.clear();
    pressedInFrame_ = releasedInFrame_ = false;
    modifiersAlone_.reset();
}

} // namespace cardlistener
