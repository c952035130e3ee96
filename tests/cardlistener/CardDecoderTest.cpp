// The decoder against what the virtual reader types for every kind of
// configuration, through the kernel's report-to-event translation, plus
// hand-made sequences: another Shift key, a sequence cut short, a
// configuration that does not match, cards back to back.
#include "CardDecoder.h"
#include "EvdevReports.h"
#include "KeyboardOutput.h"
#include "ReaderFirmware.h"
#include "TestSettings.h"

#include <gtest/gtest.h>

#include <linux/input-event-codes.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

using cardlistener::CardDecoder;
using cardlistener::CardEvent;
using cardlistener::KeyboardConfig;
using korvel::testing::SettingsOf;
using readersim::ReaderSettings;
using Clock = CardDecoder::Clock;

std::string stored(const std::array<uint8_t, 6> &bytes)
{
    std::string text;
    for (uint8_t b : bytes)
        if (b)
            text += static_cast<char>(b);
    return text;
}

// The configuration as the library reads it back from the reader.
KeyboardConfig configOf(const ReaderSettings &s)
{
    return {s.confByte, stored(s.prefix), stored(s.sufix), s.before, s.after, s.remove};
}

std::string hex(const std::vector<uint8_t> &bytes)
{
    std::string text;
    for (uint8_t b : bytes) {
        char two[3];
        std::snprintf(two, sizeof two, "%02X", b);
        text += two;
    }
    return text;
}

// What an event says, in one line for comparing.
std::string describe(const CardEvent &e)
{
    std::string text;
    for (char c : e.text)
        text += c == '\n' ? std::string("\\n") : std::string(1, c);
    if (e.kind == CardEvent::Kind::Removal)
        return "removed";
    return (e.fits ? "card " + hex(e.code) : std::string("unfit")) + " \"" + text + "\"";
}

struct Feeder {
    explicit Feeder(const KeyboardConfig &config) : decoder(config) {}
    CardDecoder decoder;
    Clock::time_point now = Clock::now();
    std::vector<std::string> seen;
    readersim::EvdevReports kernel;

    void take(const std::vector<CardEvent> &events)
    {
        for (const CardEvent &e : events)
            seen.push_back(describe(e));
    }
    void key(uint16_t type, uint16_t code, int32_t value) { take(decoder.feed(type, code, value, now)); }
    void reports(const std::vector<readersim::BootReport> &reports)
    {
        for (const readersim::BootReport &report : reports) {
            now += std::chrono::milliseconds(4);
            for (const input_event &ev : kernel.frame(report, {}))
                key(ev.type, ev.code, ev.value);
        }
    }
    // After the quiet gap.
    void quiet()
    {
        now += std::chrono::seconds(1);
        take(decoder.idle(now));
    }
};

struct Case {
    const char *name;
    ReaderSettings settings;
    std::vector<uint8_t> code;
    std::vector<std::string> whenTyped; // events before any quiet gap
    std::vector<std::string> afterQuiet;
};

// Reader modifier bits: 0x80 Left Control, 0x40 Left Shift, 0x02 Right Alt, 0x01 Right GUI.
const std::vector<Case> Cases = {
    {"hex upper, ends with the last digit", SettingsOf(0x0A), {0x12, 0xAB, 0x00}, {}, {"card 12AB00 \"12AB00\""}},
    {"hex lower", SettingsOf(0x08), {0x12, 0xAB, 0xCD}, {}, {"card 12ABCD \"12abcd\""}},
    {"hex with Enter ends at once", SettingsOf(0x0B), {0xDE, 0xAD}, {"card DEAD \"DEAD\\n\""}, {}},
    {"decimal", SettingsOf(0x2B), {0x12, 0xAB, 0x00}, {"card 12AB00 \"1223424\\n\""}, {}},
    {"decimal drops leading zero bytes", SettingsOf(0x21), {0x00, 0x00, 0x07}, {"card 07 \"7\\n\""}, {}},
    {"decimal zero", SettingsOf(0x21), {0x00}, {"card 00 \"0\\n\""}, {}},
    {"prefix and suffix", SettingsOf(0x0A, "AB", "#;"), {0x01, 0x02}, {"card 0102 \"AB0102#;\""}, {}},
    {"shifted characters", SettingsOf(0x08, "!@", "~:"), {0xFE}, {"card FE \"!@fe~:\""}, {}},
    {"suffix made of digits needs the gap", SettingsOf(0x0A, "", "A1"), {0xA1, 0xA1}, {},
     {"card A1A1 \"A1A1A1\""}},
    {"Manager with a code starting in E", SettingsOf(0x1A), {0xEE, 0x01}, {}, {"card EE01 \"EEEEEEEE01\""}},
    {"Manager and Enter", SettingsOf(0x13), {0x42}, {"card 42 \"EEEEEE42\\n\""}, {}},
    {"Before a plain character, lower case", SettingsOf(0x09, "", "", {0, 0, 0x04}), {0xAA},
     {"card AA \"aaa\\n\""}, {}},
    {"Before, After, Remove with modifiers", SettingsOf(0x0A, "", "", {0xC0, 0, 0x04, 0x05}, {0x80, 0, 0x28},
                                                      {0x02, 0, 0x1B}),
     {0x12, 0x34}, {"card 1234 \"1234\""}, {"removed"}},
    {"After held until the card goes", SettingsOf(0x0E, "", "", {}, {0x01, 0, 0x2B}, {0, 0, 0x29}), {0x55},
     {"card 55 \"55\""}, {"removed"}},
    {"Before of modifiers only", SettingsOf(0x0B, "", "", {0x81}), {0x01}, {"card 01 \"01\\n\""}, {}},
    {"Before the kernel has no key for", SettingsOf(0x0B, "", "", {0, 0, 0x01, 0xA5}), {0x02}, {"card 02 \"02\\n\""}, {}},
    {"modifier usages among the keys", SettingsOf(0x0B, "", "", {0, 0, 0xE1, 0x06}), {0x0C},
     {"card 0C \"C0C\\n\""}, {}},
    {"Remove like a card's start waits for the gap", SettingsOf(0x0B, "", "", {}, {}, {0, 0, 0x1E}), {0x31},
     {"card 31 \"31\\n\""}, {"removed"}},
};

TEST(CardDecoderTest, WhatTheReaderTypes)
{
    for (const Case &c : Cases) {
        SCOPED_TRACE(c.name);
        Feeder f(configOf(c.settings));
        f.reports(readersim::TypeCard(c.settings, c.code));
        EXPECT_EQ(f.seen, c.whenTyped);
        f.seen.clear();
        f.reports(readersim::TypeRemoval(c.settings));
        f.quiet();
        EXPECT_EQ(f.seen, c.afterQuiet);
        // Twice, with a pause between that is only seen in the keys' times
        // (both read at once, late).
        f.seen.clear();
        f.reports(readersim::TypeCard(c.settings, c.code));
        f.reports(readersim::TypeRemoval(c.settings));
        f.now += std::chrono::seconds(1);
        f.reports(readersim::TypeCard(c.settings, c.code));
        f.reports(readersim::TypeRemoval(c.settings));
        f.quiet();
        std::vector<std::string> twice;
        for (int i = 0; i < 2; ++i) {
            twice.insert(twice.end(), c.whenTyped.begin(), c.whenTyped.end());
            twice.insert(twice.end(), c.afterQuiet.begin(), c.afterQuiet.end());
        }
        EXPECT_EQ(f.seen, twice);
    }
}

TEST(CardDecoderTest, SequencesThatDoNotFit)
{
    const ReaderSettings s = SettingsOf(0x0B, "AB", "");
    struct Trial {
        const char *name;
        KeyboardConfig believed; // what the decoder was told
        size_t reports;          // how many of the typed reports arrive (0: all)
        bool flushed;            // the device went instead of a pause
        std::vector<std::string> expected;
    };
    const std::vector<uint8_t> code = {0x12, 0x34};
    const size_t all = readersim::TypeCard(s, code).size();
    const std::vector<Trial> trials = {
        {"cut in the middle, then a pause", configOf(s), all / 2, false, {"unfit \"AB12\""}},
        {"cut in the middle by unplugging", configOf(s), all / 2 - 2, true, {"unfit \"AB1\""}},
        {"another prefix", configOf(SettingsOf(0x0B, "XY", "")), 0, false, {"unfit \"AB1234\\n\""}},
        {"odd number of hex digits", configOf(SettingsOf(0x0B, "A", "")), 0, false, {"unfit \"AB1234\\n\""}},
    };
    for (const Trial &t : trials) {
        SCOPED_TRACE(t.name);
        Feeder f(t.believed);
        std::vector<readersim::BootReport> typed = readersim::TypeCard(s, code);
        if (t.reports)
            typed.resize(t.reports);
        f.reports(typed);
        if (t.flushed)
            f.take(f.decoder.flush());
        else
            f.quiet();
        EXPECT_EQ(f.seen, t.expected);
    }
}

TEST(CardDecoderTest, KeysAsAnyKeyboardSendsThem)
{
    // Right Shift in a frame of its own, auto-repeat, and two cards with no
    // pause between them.
    Feeder f(configOf(SettingsOf(0x0B, "", "")));
    auto press = [&](uint16_t key, int32_t value) {
        f.key(EV_KEY, key, value);
        f.key(EV_SYN, SYN_REPORT, 0);
    };
    for (int card = 0; card < 2; ++card) {
        press(KEY_RIGHTSHIFT, 1);
        press(KEY_A, 1);
        press(KEY_A, 2);
        press(KEY_A, 0);
        press(KEY_RIGHTSHIFT, 0);
        press(KEY_1, 1);
        press(KEY_1, 0);
        press(KEY_KPENTER, 1);
        press(KEY_KPENTER, 0);
    }
    EXPECT_EQ(f.seen, (std::vector<std::string>{"card A1 \"A1\\n\"", "card A1 \"A1\\n\""}));
    // Events lost by the input layer make the sequence unfit.
    f.seen.clear();
    press(KEY_1, 1);
    f.key(EV_SYN, SYN_DROPPED, 0);
    press(KEY_1, 0);
    press(KEY_2, 1);
    press(KEY_2, 0);
    press(KEY_ENTER, 1);
    f.quiet();
    EXPECT_EQ(f.seen, (std::vector<std::string>{"unfit \"12\\n\""}));
}

} // namespace
