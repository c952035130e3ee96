// korvelctl watch against the virtual reader typing through its keyboard
// event node: the codes tapped under each kind of configuration, the grab
// held for the whole run and let go after it, unplugging that ends the run
// or is followed, and a command run per card.
#include "ChildProgram.h"
#include "Eventually.h"
#include "KeyboardOutput.h"
#include "SharedBus.h"
#include "TestSettings.h"

#include <gtest/gtest.h>

#include <signal.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

using korvel::testing::ChildProgram;
using korvel::testing::eventually;
using korvel::testing::SettingsOf;

class WatchTest : public korvel::testing::BusTest {
protected:
    void SetUp() override
    {
        BusTest::SetUp();
        // The reader types on its own keyboard interface, as a real one does.
        firmware->setKeyboardSink([bus = bus](const std::vector<readersim::BootReport> &reports) {
            bus->typeOnKeyboardInterface(reports);
        });
    }
    bool grabbed() const { return bus->keyboardGrabbed(); }
    // korvelctl watch with these arguments. On the kernel's bus the reader
    // types inside an emulated machine that the host stalls now and then
    // for longer than the pause that ends a card: there a card ends after
    // a second's pause.
    std::vector<std::string> watchArgs(std::vector<std::string> args) const
    {
        args.insert(args.begin(), {KORVELCTL, "watch"});
        if (bus->root().empty())
            args.insert(args.end(), {"--gap", "1"});
        return args;
    }
};

TEST_F(WatchTest, ThreeTapsUnderEachConfiguration)
{
    struct Config {
        const char *name;
        readersim::ReaderSettings settings;
        bool removeEachCard;
    };
    const std::vector<Config> configs = {
        {"hex upper", SettingsOf(0x0A), false},
        {"hex lower with Enter", SettingsOf(0x09), false},
        {"decimal with Enter", SettingsOf(0x21), false},
        {"prefix and suffix", SettingsOf(0x0A, "AB", "#!"), false},
        {"Manager", SettingsOf(0x1B), false},
        {"Before, After, Remove with modifiers", SettingsOf(0x0A, "", "", {0xC0, 0, 0x04}, {0x80, 0, 0x28}, {0x02, 0, 0x1B}),
         true},
        {"After held until removed", SettingsOf(0x0E, "", "", {}, {0x01, 0, 0x2B}, {0, 0, 0x29}), true},
    };
    const std::vector<std::vector<uint8_t>> codes = {{0x12, 0xAB, 0x00}, {0x00, 0x00, 0x07}, {0xE1, 0x02, 0x03, 0x04}};
    const std::vector<std::string> hex = {"12AB00", "000007", "E1020304"};
    for (const Config &config : configs) {
        SCOPED_TRACE(config.name);
        firmware->setSettings(config.settings);
        ChildProgram watch(watchArgs({"--json", "--grab", "--count", "3"}));
        ASSERT_TRUE(eventually([this] { return grabbed(); })) << "the grab";
        for (size_t i = 0; i < codes.size(); ++i) {
            firmware->tapCard(codes[i]);
            const auto line = watch.line();
            ASSERT_TRUE(line) << "no line for " << hex[i];
            EXPECT_NE(line->find("\"code\": \"" + hex[i] + "\""), std::string::npos) << *line;
            EXPECT_NE(line->find("\"fits\": true"), std::string::npos) << *line;
            EXPECT_NE(line->find("\"device\": \"/dev/input/event"), std::string::npos) << *line;
            if (i + 1 < codes.size()) { // after the last line it lets go and ends
                EXPECT_TRUE(grabbed());
            }
            if (config.removeEachCard)
                firmware->removeCard();
        }
        EXPECT_EQ(watch.status(), 0);
        EXPECT_FALSE(grabbed());
    }
}

TEST_F(WatchTest, AnotherKeyboardIsNotRead)
{
    bus->plugOtherKeyboard();
    ChildProgram watch(watchArgs({"--grab", "--count", "1"}));
    ASSERT_TRUE(eventually([this] { return grabbed(); })) << "the grab";
    // What would be a card had the reader typed it.
    bus->typeOnOtherKeyboard(readersim::TypeCard(SettingsOf(0x0B), {0x99}));
    firmware->tapCard({0x42});
    EXPECT_EQ(watch.line(), "42");
    EXPECT_EQ(watch.status(), 0);
    bus->unplugOtherKeyboard();
}

// A reader that types nothing is named as such, and watch still runs.
TEST_F(WatchTest, SilentReaderIsWarnedOf)
{
    const std::pair<uint8_t, uint8_t> cases[] = {{0, 0}, {1, 1}}; // enable, device mode
    for (const auto &[enable, mode] : cases) {
        readersim::ReaderSettings s = SettingsOf(0x0B);
        s.enable = enable;
        s.deviceMode = mode;
        firmware->setSettings(s);
        ChildProgram watch({KORVELCTL, "watch", "--timeout", "0.2"}, true);
        EXPECT_NE(watch.line().value_or("").find(enable ? "advanced mode" : "keyboard output is off"),
                  std::string::npos);
        EXPECT_EQ(watch.status(), 0);
    }
}

TEST_F(WatchTest, UnplugEndsTheRunOrIsFollowed)
{
    {
        ChildProgram watch({KORVELCTL, "watch", "--grab"});
        ASSERT_TRUE(eventually([this] { return grabbed(); })) << "the grab";
        bus->unplugReader();
        EXPECT_EQ(watch.status(), 3);
    }
    EXPECT_EQ(ChildProgram({KORVELCTL, "watch"}).status(), 3); // no reader at all
    ChildProgram watch(watchArgs({"--grab", "--follow", "--count", "1"}));
    bus->plugReader(*firmware);
    ASSERT_TRUE(eventually([this] { return grabbed(); })) << "the grab after the plug";
    bus->unplugReader();
    bus->plugReader(*firmware);
    ASSERT_TRUE(eventually([this] { return grabbed(); })) << "the grab after the replug";
    firmware->tapCard({0x42});
    EXPECT_EQ(watch.line(), "42");
    EXPECT_EQ(watch.status(), 0);
}

TEST_F(WatchTest, SignalLetsGoAndCommandsGetTheCode)
{
    {
        ChildProgram watch({KORVELCTL, "watch", "--grab"});
        ASSERT_TRUE(eventually([this] { return grabbed(); })) << "the grab";
        ChildProgram second({KORVELCTL, "watch", "--grab"});
        EXPECT_EQ(second.status(), 1); // held by the first
        watch.signal(SIGTERM);
        EXPECT_EQ(watch.status(), 0);
        EXPECT_FALSE(grabbed());
    }
    firmware->setSettings(SettingsOf(0x0B, "", "\"'"));
    ChildProgram watch(watchArgs({"--grab", "--count", "1", "--exec", "env"}));
    ASSERT_TRUE(eventually([this] { return grabbed(); })) << "the grab";
    firmware->tapCard({0xAB, 0xCD});
    std::vector<std::string> lines;
    while (const auto line = watch.line())
        lines.push_back(*line);
    EXPECT_EQ(watch.status(), 0);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines[0], "ABCD");
    auto has = [&](const std::string &text) { return std::find(lines.begin(), lines.end(), text) != lines.end(); };
    EXPECT_TRUE(has("KORVEL_CARD_CODE=ABCD"));
    EXPECT_TRUE(has("KORVEL_CARD_TEXT=ABCD\"'"));
    EXPECT_TRUE(has("KORVEL_CARD_FITS=1"));
}

} // namespace
