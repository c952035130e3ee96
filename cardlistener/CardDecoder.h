// Turns what the reader types into card events, from the reader's keyboard
// configuration. No I/O: the caller feeds the key events of the reader's own
// input device and the time, and asks again when deadline() has passed.
//
// A card read types, in this order: the Before report (its modifiers and keys
// together), six 'E' when "Manager program compatible" is set, the prefix, the
// card code (hexadecimal digits in the configured case, or the code bytes as
// one big-endian number in decimal), the suffix, Enter when set, and the After
// report. Taking the card away types the Remove report. A sequence ends as
// soon as nothing that could follow would still fit; otherwise (a
// configuration that ends with the code's last digit, say) after a quiet gap.
#pragma once

#include "KeyStrokes.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace cardlistener {

// What the reader types, as its configuration says. Reports are the eight
// bytes of TKeybHIDReport: Modifier (bit 0 Right GUI ... bit 7 Left Control),
// Reserved, Key1..Key6 (HID usages).
struct KeyboardConfig {
    uint8_t confByte = 0;
    std::string prefix; // as the reader holds it
    std::string sufix;
    std::array<uint8_t, 8> before{};
    std::array<uint8_t, 8> after{};
    std::array<uint8_t, 8> remove{};
    bool operator==(const KeyboardConfig &) const = default;
};

struct CardEvent {
    enum class Kind { Card, Removal };
    Kind kind = Kind::Card;
    // The keys fit the configuration. When false, `code` is empty and `text`
    // holds what was typed all the same.
    bool fits = false;
    // The code bytes as the reader's card-code query gives them. In decimal
    // the typed number does not tell leading zero bytes: the shortest form
    // is given (at least one byte), and `decimal` says so.
    std::vector<uint8_t> code;
    bool decimal = false;
    std::string digits; // the code as typed
    std::string text;   // every character typed, Enter as '\n'
    std::vector<Stroke> strokes; // what was typed, for a second decode
    std::chrono::steady_clock::time_point firstKey; // when its first stroke came
    std::chrono::steady_clock::time_point lastKey;  // and its last
};

class CardDecoder {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::milliseconds DefaultQuietGap{150};

    explicit CardDecoder(KeyboardConfig config = {}, std::chrono::milliseconds quietGap = DefaultQuietGap);

    // A new configuration for what comes from now on.
    void setConfig(const KeyboardConfig &config);
    const KeyboardConfig &config() const { return config_; }

    // One evdev event (type, code, value) that arrived at `now`.
    std::vector<CardEvent> feed(uint16_t type, uint16_t code, int32_t value, Clock::time_point now);
    // The sequences whose quiet gap has passed by `now`.
    std::vector<CardEvent> idle(Clock::time_point now);
    // When idle() may next have an event; nullopt when nothing is pending.
    std::optional<Clock::time_point> deadline() const;
    // The device went away: what is pending, as it stands.
    std::vector<CardEvent> flush();

    // The strokes of the sequence not yet ended (for a second look under a
    // configuration read anew), and a decode of strokes on their own.
    const std::vector<Stroke> &pending() const { return burst_; }
    CardEvent decode(const std::vector<Stroke> &strokes) const;

private:
    struct Pattern {
        std::vector<Stroke> head; // Before, six 'E', prefix
        std::vector<Stroke> tail; // suffix, Enter, After
        std::optional<Stroke> remove;
        std::string alphabet; // the code's digits
        bool decimal = false;
    };
    static Pattern patternOf(const KeyboardConfig &config);

    bool isCodeDigit(const Stroke &stroke) const;
    bool matchesCard(const std::vector<Stroke> &strokes) const;
    bool matchesRemoval(const std::vector<Stroke> &strokes) const;
    bool viable(const std::vector<Stroke> &strokes) const; // could still become a card
    bool final(const std::vector<Stroke> &strokes) const;  // complete, and nothing can follow
    CardEvent end();                                         // takes the pending sequence

    KeyboardConfig config_;
    Pattern pattern_;
    std::chrono::milliseconds quietGap_;
    StrokeReader strokes_;
    std::vector<Stroke> burst_;
    Clock::time_point firstKey_{};
    Clock::time_point lastKey_{};
    bool damaged_ = false; // events were lost in the middle
};

} // namespace cardlistener
