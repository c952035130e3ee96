#include "CardDecoder.h"

#include "KeyCodes.h"

#include <algorithm>
#include <set>

namespace cardlistener {
namespace {

constexpr uint8_t EnterBit = 0x01;
constexpr uint8_t UpperCaseBit = 0x02;
constexpr uint8_t ManagerBit = 0x10;
constexpr uint8_t DecimalBit = 0x20;
constexpr int ManagerCharacters = 6;
// Longer than anything the reader types for one card (63 strokes): a stuck
// or chattering device still gives events, and bounded memory.
constexpr size_t MaxStrokes = 256;

// The stroke a keyboard report makes at the input layer; nullopt when the
// report presses nothing the kernel reports.
std::optional<Stroke> strokeOfReport(const std::array<uint8_t, 8> &report)
{
    Stroke stroke;
    for (int bit = 0; bit < 8; ++bit) // the reader's order is the boot order reversed
        if (report[0] & (1u << bit))
            stroke.modifiers |= static_cast<uint8_t>(1u << (7 - bit));
    std::set<uint16_t> keys;
    for (size_t i = 2; i < report.size(); ++i) {
        const uint16_t key = KeyCodeOfUsage(report[i]);
        if (const uint8_t bit = ModifierBitOfKey(key))
            stroke.modifiers |= bit;
        else if (key != 0)
            keys.insert(key);
    }
    stroke.keys.assign(keys.begin(), keys.end());
    if (stroke.modifiers == 0 && stroke.keys.empty())
        return std::nullopt;
    return stroke;
}

void appendText(std::vector<Stroke> &out, const std::string &text)
{
    for (char c : text)
        if (const auto stroke = StrokeOf(c))
            out.push_back(*stroke);
}

// Characters compare as characters (either Shift types the same); other
// strokes as keys and modifiers.
bool same(const Stroke &a, const Stroke &b)
{
    const auto ca = CharacterOf(a), cb = CharacterOf(b);
    if (ca || cb)
        return ca && cb && *ca == *cb;
    return a == b;
}

bool startsWith(const std::vector<Stroke> &strokes, size_t from, const std::vector<Stroke> &expected, size_t count)
{
    for (size_t i = 0; i < count; ++i)
        if (!same(strokes[from + i], expected[i]))
            return false;
    return true;
}

std::string textOf(const std::vector<Stroke> &strokes, size_t from, size_t to)
{
    std::string text;
    for (size_t i = from; i < to; ++i)
        if (const auto c = CharacterOf(strokes[i]))
            text += *c;
    return text;
}

// The big-endian bytes of a decimal number, shortest form, at least one byte.
std::vector<uint8_t> bytesOfDecimal(const std::string &digits)
{
    std::vector<uint8_t> number{0}; // big-endian
    for (char d : digits) {
        unsigned carry = static_cast<unsigned>(d - '0');
        for (auto b = number.rbegin(); b != number.rend(); ++b) {
            const unsigned value = *b * 10u + carry;
            *b = static_cast<uint8_t>(value & 0xFF);
            carry = value >> 8;
        }
        if (carry)
            number.insert(number.begin(), static_cast<uint8_t>(carry));
    }
    while (number.size() > 1 && number.front() == 0)
        number.erase(number.begin());
    return number;
}

std::vector<uint8_t> bytesOfHex(const std::string &digits)
{
    std::vector<uint8_t> bytes;
    for (size_t i = 0; i + 1 < digits.size(); i += 2)
        bytes.push_back(static_cast<uint8_t>(std::stoul(digits.substr(i, 2), nullptr, 16)));
    return bytes;
}

} // namespace

CardDecoder::CardDecoder(KeyboardConfig config, std::chrono::milliseconds quietGap) : quietGap_(quietGap)
{
    setConfig(config);
}

void CardDecoder::setConfig(const KeyboardConfig &config)
{
    config_ = config;
    pattern_ = patternOf(config);
}

CardDecoder::Pattern CardDecoder::patternOf(const KeyboardConfig &config)
{
    Pattern p;
    if (const auto before = strokeOfReport(config.before))
        p.head.push_back(*before);
    if (config.confByte & ManagerBit)
        appendText(p.head, std::string(ManagerCharacters, 'E'));
    appendText(p.head, config.prefix);
    appendText(p.tail, config.sufix);
    if (config.confByte & EnterBit)
        appendText(p.tail, "\n");
    if (const auto after = strokeOfReport(config.after))
        p.tail.push_back(*after);
    p.remove = strokeOfReport(config.remove);
    p.decimal = config.confByte & DecimalBit;
    p.alphabet = p.decimal ? "0123456789" : (config.confByte & UpperCaseBit) ? "0123456789ABCDEF" : "0123456789abcdef";
    return p;
}

bool CardDecoder::isCodeDigit(const Stroke &stroke) const
{
    const auto c = CharacterOf(stroke);
    return c && pattern_.alphabet.find(*c) != std::string::npos;
}

bool CardDecoder::matchesCard(const std::vector<Stroke> &s) const
{
    const size_t head = pattern_.head.size(), tail = pattern_.tail.size();
    if (s.size() < head + tail + 1 || !startsWith(s, 0, pattern_.head, head) ||
        !startsWith(s, s.size() - tail, pattern_.tail, tail))
        return false;
    const size_t digits = s.size() - head - tail;
    if (!pattern_.decimal && digits % 2)
        return false;
    return std::all_of(s.begin() + head, s.end() - tail, [this](const Stroke &x) { return isCodeDigit(x); });
}

bool CardDecoder::matchesRemoval(const std::vector<Stroke> &s) const
{
    return pattern_.remove && s.size() == 1 && same(s[0], *pattern_.remove);
}

bool CardDecoder::viable(const std::vector<Stroke> &s) const
{
    const size_t head = pattern_.head.size();
    if (s.size() <= head)
        return startsWith(s, 0, pattern_.head, s.size());
    if (!startsWith(s, 0, pattern_.head, head))
        return false;
    // After the head: one or more digits, then the start of the tail.
    size_t run = 0;
    while (head + run < s.size() && isCodeDigit(s[head + run]))
        ++run;
    if (head + run == s.size())
        return true;
    for (size_t digits = 1; digits <= run; ++digits) {
        const size_t rest = s.size() - head - digits;
        if (rest <= pattern_.tail.size() && startsWith(s, head + digits, pattern_.tail, rest))
            return true;
    }
    return false;
}

bool CardDecoder::final(const std::vector<Stroke> &s) const
{
    if (matchesRemoval(s))
        return !viable(s);
    if (!matchesCard(s))
        return false;
    // Could another stroke still extend it into a longer card? Only a digit
    // or a stroke of the tail can.
    std::vector<Stroke> longer = s;
    longer.push_back(*StrokeOf('0'));
    if (viable(longer))
        return false;
    for (const Stroke &next : pattern_.tail) {
        longer.back() = next;
        if (viable(longer))
            return false;
    }
    return true;
}

CardEvent CardDecoder::decode(const std::vector<Stroke> &s) const
{
    CardEvent event;
    event.strokes = s;
    event.text = textOf(s, 0, s.size());
    if (matchesCard(s)) {
        event.fits = true;
        event.decimal = pattern_.decimal;
        event.digits = textOf(s, pattern_.head.size(), s.size() - pattern_.tail.size());
        event.code = pattern_.decimal ? bytesOfDecimal(event.digits) : bytesOfHex(event.digits);
    } else if (matchesRemoval(s)) {
        event.kind = CardEvent::Kind::Removal;
        event.fits = true;
    }
    return event;
}

CardEvent CardDecoder::end()
{
    CardEvent event = decode(burst_);
    if (damaged_) {
        event.fits = false;
        event.code.clear();
        event.digits.clear();
        event.kind = CardEvent::Kind::Card;
    }
    event.firstKey = firstKey_;
    event.lastKey = lastKey_;
    burst_.clear();
    damaged_ = false;
    return event;
}

std::vector<CardEvent> CardDecoder::feed(uint16_t type, uint16_t code, int32_t value, Clock::time_point now)
{
    std::vector<CardEvent> events;
    const std::optional<Stroke> stroke = strokes_.feed(type, code, value);
    if (strokes_.takeLoss() && !burst_.empty())
        damaged_ = true;
    if (!stroke)
        return events;
    if (!burst_.empty() && now - lastKey_ >= quietGap_)
        events.push_back(end()); // a pause: read late, but the sequence had ended
    std::vector<Stroke> longer = burst_;
    longer.push_back(*stroke);
    if (!burst_.empty() && !viable(longer) && (matchesCard(burst_) || matchesRemoval(burst_)) && !damaged_) {
        events.push_back(end()); // complete; the stroke begins the next one
        longer = {*stroke};
    }
    if (burst_.empty())
        firstKey_ = now;
    burst_ = std::move(longer);
    lastKey_ = now;
    if (final(burst_) || burst_.size() >= MaxStrokes)
        events.push_back(end());
    return events;
}

std::vector<CardEvent> CardDecoder::idle(Clock::time_point now)
{
    std::vector<CardEvent> events;
    if (!burst_.empty() && now - lastKey_ >= quietGap_)
        events.push_back(end());
    return events;
}

std::optional<CardDecoder::Clock::time_point> CardDecoder::deadline() const
{
    if (burst_.empty())
        return std::nullopt;
    return lastKey_ + quietGap_;
}

std::vector<CardEvent> CardDecoder::flush()
{
    strokes_.reset();
    std::vector<CardEvent> events;
    if (!burst_.empty())
        events.push_back(end());
    return events;
}

} // namespace cardlistener
