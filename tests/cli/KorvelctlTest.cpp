// korvelctl as a user runs it, against the virtual reader: output, JSON,
// exit statuses, and a save and load round trip.
#include "ChildProgram.h"
#include "SharedBus.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <array>
#include <fstream>
#include <string>
#include <vector>

namespace {

using korvel::testing::Outcome;

// Runs korvelctl with these arguments (a shell word list) in the bus's
// environment; with `withErrors` its standard error follows its output.
Outcome Korvelctl(const std::string &args, bool withErrors = false)
{
    return korvel::testing::RunProgram({"/bin/sh", "-c", "exec \"$0\" " + args, KORVELCTL}, withErrors);
}

using KorvelctlTest = korvel::testing::BusTest;

TEST_F(KorvelctlTest, InfoAndJson)
{
    Outcome run = Korvelctl("info");
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.out.find("product=USB RFID Reader Ver: 1.7\n"), std::string::npos) << run.out;
    run = Korvelctl("--json info");
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.out.find("\"firmware\": 1.7"), std::string::npos) << run.out;
    EXPECT_EQ(run.out.front(), '{');
}

TEST_F(KorvelctlTest, SettingsByMeaning)
{
    EXPECT_EQ(Korvelctl("set enter on").status, 0);
    EXPECT_EQ(Korvelctl("set digits decimal").status, 0);
    EXPECT_EQ(Korvelctl("set case lower").status, 0);
    EXPECT_EQ(firmware->settings().confByte, ((0x0A & ~0x02) | 0x01 | 0x20));
    EXPECT_EQ(Korvelctl("set prefix ab").status, 0);
    EXPECT_EQ(Korvelctl("set device-mode advanced").status, 0);
    EXPECT_EQ(Korvelctl("set keyboard off").status, 0);
    EXPECT_EQ(Korvelctl("set after 'Left Control, Keyboard ENTER'").status, 0);
    const Outcome run = Korvelctl("get enter case digits prefix device-mode keyboard after");
    EXPECT_EQ(run.out, "enter=on\ncase=lower\ndigits=decimal\nprefix=AB\ndevice-mode=advanced\nkeyboard=off\n"
                       "after=Left Control, Keyboard ENTER\n");
}

TEST_F(KorvelctlTest, JsonGetIsOneObject)
{
    const Outcome run = Korvelctl("--json get before config-bits");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "{\"before\": {\"text\": \"none\", \"bytes\": \"00 00 00 00 00 00 00 00\", \"modifier\": 0, "
                       "\"reserved\": 0, \"keys\": [0, 0, 0, 0, 0, 0]}, \"config-bits\": 10}\n");
}

TEST_F(KorvelctlTest, DistinctExitStatuses)
{
    EXPECT_EQ(Korvelctl("set bogus 1").status, 2);
    EXPECT_EQ(Korvelctl("set enter sometimes").status, 2);
    EXPECT_EQ(Korvelctl("set card-code 12").status, 2);
    EXPECT_EQ(Korvelctl("frobnicate").status, 2);
    firmware->failNextTransfers(1);
    EXPECT_EQ(Korvelctl("set sound off").status, 1);
    bus->unplugReader();
    EXPECT_EQ(Korvelctl("info").status, 3);
    EXPECT_EQ(Korvelctl("get").status, 3);
}

TEST_F(KorvelctlTest, HelpForEveryCommand)
{
    for (const char *command : {"info", "get", "set", "save", "load", "raw", "watch", "help"}) {
        const Outcome run = Korvelctl(std::string(command) + " --help");
        EXPECT_EQ(run.status, 0) << command;
        EXPECT_NE(run.out.find("usage: korvelctl"), std::string::npos) << command;
    }
}

TEST_F(KorvelctlTest, SaveAndLoadRoundTrip)
{
    readersim::ReaderSettings s;
    s.confByte = 0x2B;
    s.before = {0x40, 0x03, 0x04, 0, 0, 0, 0, 0};
    s.after = {0, 0, 0x28, 0, 0, 0, 0, 0};
    s.remove = {0x81, 0, 0xE0, 0xE7, 0xB0, 0xDD, 0xA4, 0x01};
    firmware->setSettings(s);
    const std::string file = ::testing::TempDir() + "korvelctl-round-trip.rfc";
    std::remove(file.c_str());
    ASSERT_EQ(Korvelctl("save " + file).status, 0);
    firmware->setSettings({});
    ASSERT_EQ(Korvelctl("load " + file).status, 0);
    const readersim::ReaderSettings back = firmware->settings();
    EXPECT_EQ(back.confByte, s.confByte);
    EXPECT_EQ(back.before, s.before);
    EXPECT_EQ(back.after, s.after);
    EXPECT_EQ(back.remove, s.remove);
    EXPECT_EQ(Korvelctl("load /nonexistent/file.rfc").status, 4);
}

TEST_F(KorvelctlTest, RawSendAndListen)
{
    firmware->setSettings([] {
        readersim::ReaderSettings s;
        s.deviceMode = 1;
        return s;
    }());
    // What goes over the wire: a length byte of one more than the bytes
    // given, the bytes, and 0xFF after them.
    const struct {
        const char *hex;
        std::vector<uint8_t> wire; // length byte and the data bytes that follow
    } sends[] = {
        {"0102FF", {4, 0x01, 0x02, 0xFF, 0xFF}},
        {"0102", {3, 0x01, 0x02, 0xFF, 0xFF}},
        {"''", {1, 0xFF, 0xFF}},
        {"'01 02:03'", {4, 0x01, 0x02, 0x03, 0xFF}},
    };
    for (const auto &send : sends) {
        firmware->clearLogs();
        const Outcome run = Korvelctl(std::string("raw send ") + send.hex, true);
        EXPECT_EQ(run.status, 0) << send.hex;
        EXPECT_EQ(run.out, "") << send.hex; // no warning in advanced mode
        const auto out = firmware->outputReports();
        ASSERT_FALSE(out.empty()) << send.hex;
        EXPECT_EQ(std::vector<uint8_t>(out.back().begin() + 1, out.back().begin() + 1 + send.wire.size()), send.wire)
            << send.hex;
    }
    EXPECT_EQ(Korvelctl("raw send 0G").status, 2);
    const Outcome listen = Korvelctl("raw listen --timeout 0.3");
    EXPECT_EQ(listen.status, 0);

    // In normal mode the reader ignores raw output: sent still, with a warning.
    firmware->setSettings({});
    for (const char *args : {"raw send 01", "raw listen --timeout 0.1"}) {
        const Outcome normal = Korvelctl(args, true);
        EXPECT_EQ(normal.status, 0) << args;
        EXPECT_NE(normal.out.find("warning: the reader is in normal mode"), std::string::npos) << args << normal.out;
    }
}

TEST_F(KorvelctlTest, OptionsStandBeforeOrAfterTheCommand)
{
    const std::string digits = "{\"digits\": \"hexadecimal\"}\n";
    const struct {
        const char *args;
        int status;
        std::string out; // the whole output (with `exact`), else a part of it and of the errors
        bool exact;
    } cases[] = {
        {"--json get digits", 0, digits, true},
        {"get --json digits", 0, digits, true},
        {"get digits --json", 0, digits, true},
        {"get -- --json", 2, "unknown setting '--json'", false},
        {"set prefix -- --a", 0, "", true},
        {"info --json", 0, "\"factory-id\": 10000", false},
        {"raw listen --json --timeout=0.1", 0, "", true},
        {"--version", 0, "korvelctl ", false},
        {"get --version", 0, "korvelctl ", false},
        {"get --help", 0, "usage: korvelctl get [NAME...] [--json]", false},
        {"watch --count", 2, "--count needs a value", false},
        {"raw listen --timeout", 2, "--timeout needs a value", false},
        {"watch --count --grab", 2, "--count needs a value", false},
        {"watch --exec", 2, "--exec needs a value", false},
        {"watch --grab=yes", 2, "--grab takes no value", false},
        {"watch --json --bogus", 2, "unknown option '--bogus' for watch", false},
        {"set --count 3 digits decimal", 2, "unknown option '--count' for set", false},
        {"raw", 2, "'raw' takes send or listen", false},
        {"set digits", 2, "wrong arguments for 'set': korvelctl set NAME VALUE", false},
    };
    for (const auto &c : cases) {
        const Outcome run = Korvelctl(c.args, !c.exact);
        EXPECT_EQ(run.status, c.status) << c.args << ": " << run.out;
        if (c.exact)
            EXPECT_EQ(run.out, c.out) << c.args;
        else
            EXPECT_NE(run.out.find(c.out), std::string::npos) << c.args << ": " << run.out;
    }
    EXPECT_EQ(firmware->settings().prefix, (std::array<uint8_t, 6>{'-', '-', 'A', 0, 0, 0}));
}

TEST_F(KorvelctlTest, LoadReadsAnySizeUpToItsLimitAndRefusesWhatIsNoConfiguration)
{
    const std::string dir = ::testing::TempDir();
    const std::string padding = "; " + std::string(5 * 1024 * 1024, 'x') + "\r\n";
    const struct {
        const char *name;
        std::string text; // empty: the name is a directory
        int status;
        int confByte; // what the reader holds after
    } cases[] = {
        {"big.rfc", padding + "[CardCode]\r\nConfByte=42\r\n" + padding, 0, 42},
        {"some-keys.rfc", "[cardcode]\nConfByte=7\n", 0, 7},
        {"too-big.rfc", "[CardCode]\r\nConfByte=42\r\n" + std::string(16 * 1024 * 1024, ';'), 4, 0x0A},
        {"random.rfc", std::string("\x8f\x02[x\xff\0\x10=5\n\xe1", 11), 4, 0x0A},
        {"foreign.rfc", "[Other]\r\nConfByte=42\r\n", 4, 0x0A},
        {"", "", 4, 0x0A},
    };
    for (const auto &c : cases) {
        firmware->setSettings({}); // config byte 0x0A
        std::string path = dir;
        if (*c.name) {
            path += c.name;
            std::ofstream(path, std::ios::binary) << c.text;
        }
        const Outcome run = Korvelctl("load '" + path + "'", true);
        EXPECT_EQ(run.status, c.status) << c.name << run.out;
        EXPECT_EQ(firmware->settings().confByte, c.confByte) << c.name;
        EXPECT_EQ(run.out.find("nothing was written to the reader") != std::string::npos, c.status != 0) << run.out;
    }
    EXPECT_EQ(Korvelctl("save /nonexistent/dir/x.rfc").status, 4);
}

TEST_F(KorvelctlTest, TextGoesThroughTheCodePageAndJsonStaysUtf8)
{
    Outcome run = Korvelctl("set prefix '\u00E4\u00E9\u20ACx'", true); // äé€x
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(firmware->settings().prefix, (std::array<uint8_t, 6>{0xE4, 0xE9, 0x80, 'X', 0, 0}));
    EXPECT_NE(run.out.find("warning: \u00E4 \u00E9 \u20AC kept, but the reader cannot type them"), std::string::npos)
        << run.out;
    EXPECT_EQ(Korvelctl("get prefix").out, "prefix=\u00E4\u00E9\u20ACX\n");
    run = Korvelctl("set sufix 'a\u03A9b'", true);
    EXPECT_EQ(firmware->settings().sufix, (std::array<uint8_t, 6>{'A', 'B', 0, 0, 0, 0}));
    EXPECT_NE(run.out.find("\u03A9 left out (not in the reader's code page"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("the reader kept \"AB\""), std::string::npos) << run.out;

    readersim::ReaderSettings s;
    s.prefix = {0xC4, 0x81, '"', 0x01, 0xFF, 0x9D};
    firmware->setSettings(s);
    EXPECT_EQ(Korvelctl("--json get prefix").out, "{\"prefix\": \"\u00C4\\u0081\\\"\\u0001\u00FF\\u009d\"}\n");
    EXPECT_EQ(Korvelctl("get prefix").out, "prefix=\u00C4\\x81\"\\x01\u00FF\\x9D\n");
}

TEST_F(KorvelctlTest, OldFirmwareShowsEverySettingItAnswers)
{
    readersim::ReaderIdentity identity;
    identity.product = "USB RFID Reader Ver: 1.4";
    readersim::ReaderFirmware old(identity);
    bus->unplugReader();
    bus->plugReader(old);
    const Outcome all = Korvelctl("get");
    EXPECT_EQ(all.status, 0);
    EXPECT_NE(all.out.find("config-bits=0x0A\n"), std::string::npos) << all.out;
    EXPECT_NE(all.out.find("remove=none\ncard-code=(not supported by this firmware)\n"), std::string::npos) << all.out;
    const Outcome named = Korvelctl("--json get card-code sound");
    EXPECT_EQ(named.status, 5);
    EXPECT_EQ(named.out, "{\"card-code\": null, \"sound\": \"on\"}\n");
    bus->unplugReader();
}

TEST_F(KorvelctlTest, ArgumentsAreCheckedBeforeTheReaderIsTouched)
{
    const std::pair<const char *, const char *> cases[] = {
        {"set digits octal", "'digits' takes decimal or hexadecimal"},
        {"set config-bits 256", "'config-bits' takes"},
        {"set config-bits ' 7'", "'config-bits' takes"},
        {"set before 'Left Shift, Keyboard zz'", "unknown key or modifier 'Keyboard zz'"},
        {"get prefix bogus", "unknown setting 'bogus'"},
        {"raw listen --timeout nan", "--timeout takes"},
        {"raw listen --timeout inf", "--timeout takes"},
        {"raw listen --timeout 1e3", "--timeout takes"},
        {"raw listen --timeout 86401", "--timeout takes"},
        {"raw listen --timeout -1", "--timeout takes"},
        {"raw listen --count 99999999999999999999", "--count takes"},
        {"raw listen --count ''", "--count takes"},
        {"watch --timeout nan", "--timeout takes"},
        {"watch --count -3", "--count takes"},
    };
    for (const bool plugged : {true, false}) {
        if (!plugged)
            bus->unplugReader();
        for (const auto &[args, message] : cases) {
            const Outcome run = Korvelctl(args, true);
            EXPECT_EQ(run.status, 2) << args << (plugged ? " with a reader" : " without");
            EXPECT_NE(run.out.find(message), std::string::npos) << args << ": " << run.out;
        }
    }
}

} // namespace
