// Key events of one keyboard device turned into strokes: the keys that went
// down together in one frame of the input layer (one keyboard report), with
// the modifiers held at that moment.
#pragma once

#include <cstdint>
#include <optional>
#include <set>
#include <vector>

namespace cardlistener {

struct Stroke {
    uint8_t modifiers = 0;      // boot keyboard order: bit 0 Left Control ... bit 7 Right GUI
    std::vector<uint16_t> keys; // the other keys held, Linux key codes, ascending
    bool operator==(const Stroke &) const = default;
};

// The character a stroke types on a US layout: one key with no modifier
// other than Shift (either one). Nullopt for other strokes.
std::optional<char> CharacterOf(const Stroke &stroke);

// The stroke that types `c` (Left Shift for shifted characters); nullopt for
// characters no key of a US layout types.
std::optional<Stroke> StrokeOf(char c);

class StrokeReader {
public:
    // One evdev event (struct input_event's type, code and value). Returns
    // the stroke when a frame in which a key went down ends (SYN_REPORT).
    // Modifiers pressed in a frame of their own wait: a key pressed while
    // they are held makes the stroke; let go alone, they are a stroke of
    // their own. Auto-repeats are ignored.
    std::optional<Stroke> feed(uint16_t type, uint16_t code, int32_t value);

    // True once after the input layer reported lost events (SYN_DROPPED);
    // the keys held are forgotten then.
    bool takeLoss();

    // Everything let go (the device is gone).
    void reset();

private:
    uint8_t modifiers_ = 0;
    std::set<uint16_t> held_;
    bool pressedInFrame_ = false;
    bool releasedInFrame_ = false;
    std::optional<Stroke> modifiersAlone_;
    bool lost_ = false;
    bool dropping_ = false; // between SYN_DROPPED and the next SYN_REPORT
};

} // namespace cardlistener
