// korvelctl as a user runs it, against the virtual reader: output, JSON,
// exit statuses, options, a save and load round trip, load's read-back,
// diff, save's whole files, and provisioning reader after reader.
#include "ChildProgram.h"
#include "Eventually.h"
#include "SharedBus.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <sstream>
#include <utility>
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

// korvelctl running beside the test: its output (standard error too) read
// line by line. The shell's first line is korvelctl's process ID, for signals;
// a run that hangs is ended after 60 s.
class Running {
public:
    explicit Running(const std::string &args)
        : pipe_(::popen(("exec 2>&1; echo $$; exec timeout 60 " + std::string(KORVELCTL) + " " + args).c_str(), "r"))
    {
        pid_ = std::atoi(line().c_str());
    }
    ~Running()
    {
        if (pipe_)
            status();
    }
    Running(const Running &) = delete;
    Running &operator=(const Running &) = delete;

    // The next line without its newline; empty at the end.
    std::string line()
    {
        char buffer[1024];
        if (!pipe_ || !std::fgets(buffer, sizeof buffer, pipe_))
            return {};
        std::string text = buffer;
        if (!text.empty() && text.back() == '\n')
            text.pop_back();
        return text;
    }
    void signal(int number) const { ::kill(pid_, number); }
    int status()
    {
        const int status = ::pclose(std::exchange(pipe_, nullptr));
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

private:
    std::FILE *pipe_;
    pid_t pid_ = -1;
};

using KorvelctlTest = korvel::testing::BusTest;
using korvel::testing::eventually;

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
    if (bus->refusesFeatureWrites()) {
        firmware->failNextTransfers(1);
        EXPECT_EQ(Korvelctl("set sound off").status, 1);
    }
    bus->unplugReader();
    EXPECT_EQ(Korvelctl("info").status, 3);
    EXPECT_EQ(Korvelctl("get").status, 3);
}

TEST_F(KorvelctlTest, HelpForEveryCommand)
{
    for (const char *command : {"info", "get", "set", "save", "load", "diff", "provision", "raw", "watch", "help"}) {
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
        // The kernel's bus hands the report to the firmware just after the write.
        ASSERT_TRUE(eventually([&] { return !firmware->outputReports().empty(); })) << send.hex;
        const auto out = firmware->outputReports();
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
        {"watch --gap x", "--gap takes"},
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

// A configuration file as the tool writes it: upper case, decimal digits,
// Enter, a Before report of Right Alt and "a", Enter after the code.
const char *const SampleRfc = "[Before]\r\nModifier=2\r\nReserved=0\r\nKey1=4\r\n[CardCode]\r\nConfByte=43\r\n"
                              "[After]\r\nKey1=40\r\n[Remove]\r\n";

std::string SampleFile(const std::string &name)
{
    const std::string path = ::testing::TempDir() + name;
    std::ofstream(path, std::ios::binary) << SampleRfc;
    return path;
}

bool HoldsSample(const readersim::ReaderSettings &s)
{
    return s.confByte == 43 && s.before == readersim::KeyboardReport{2, 0, 4, 0, 0, 0, 0, 0} &&
           s.after == readersim::KeyboardReport{0, 0, 40, 0, 0, 0, 0, 0} && s.remove == readersim::KeyboardReport{};
}

TEST_F(KorvelctlTest, LoadReadsBackWhatItWrote)
{
    const std::string file = SampleFile("load-verify.rfc");
    using readersim::StoreFault;
    const struct {
        StoreFault fault;
        int dropAfter; // transfers until the reader drops off the bus, -1: never
        const char *options;
        int status;
        std::vector<std::string> messages; // each a part of the errors
        bool holdsFile;
    } cases[] = {
        {StoreFault::None, -1, "", 0, {}, true},
        {StoreFault::Lose, -1, "--no-verify", 0, {}, false},
        {StoreFault::Lose, -1, "", 1,
         {"korvelctl: the reader does not hold what was written: config-bits: file=0x2B reader=0x0A\n",
          "written: digits: file=decimal reader=hexadecimal\n",
          "written: before: file=\"Right Alt, Keyboard a\" reader=none\n"},
         false},
        {StoreFault::Refuse, -1, "", 1,
         {"RFID_SetConfigBits failed: ", "(written: nothing; not written: config-bits, before, after, remove)"},
         false},
        // Unplugged halfway: after the configuration byte and the Before report.
        {StoreFault::None, 3, "", 1,
         {"(written: config-bits, before; not written: after, remove)"}, false},
    };
    for (const auto &c : cases) {
        if (c.fault == StoreFault::Refuse && !bus->refusesFeatureWrites())
            continue; // the kernel's bus acknowledges a refused write: the Lose case covers that
        SetUp();
        firmware->failStores(c.fault);
        if (c.dropAfter >= 0)
            firmware->dropAfter(c.dropAfter);
        const Outcome run = Korvelctl("load " + file + " " + c.options, true);
        EXPECT_EQ(run.status, c.status) << c.options << run.out;
        for (std::string message : c.messages) {
            // On the kernel's bus the reader leaves the bus a moment after it
            // dropped off (the unplug runs on the bus's own thread), and
            // FunctionFS acknowledges the writes in between: one more
            // setting may count as written.
            if (c.dropAfter >= 0 && !bus->refusesFeatureWrites())
                message = message.substr(0, message.find(';'));
            EXPECT_NE(run.out.find(message), std::string::npos) << message << " in: " << run.out;
        }
        EXPECT_EQ(c.messages.empty(), run.out.empty()) << run.out;
        EXPECT_EQ(HoldsSample(firmware->settings()), c.holdsFile) << run.out;
        if (c.dropAfter >= 0) {
            EXPECT_TRUE(eventually([&] { return !bus->readerPlugged(); }));
        }
    }
}

TEST_F(KorvelctlTest, DiffShowsWhereTheReaderDiffersFromTheFile)
{
    const std::string file = SampleFile("diff.rfc");
    readersim::ReaderSettings same;
    same.confByte = 43;
    same.before = {2, 0, 4, 0, 0, 0, 0, 0};
    same.after = {0, 0, 40, 0, 0, 0, 0, 0};
    readersim::ReaderSettings reserved = same;
    reserved.before[1] = 7; // only the Reserved byte differs: shown as bytes
    const struct {
        readersim::ReaderSettings reader;
        const char *args;
        int status;
        std::string out;
    } cases[] = {
        {same, "diff ", 0, ""},
        {same, "diff --json ", 0, "{}\n"},
        {{}, "diff ", 6,
         "config-bits: file=0x2B reader=0x0A\nenter: file=on reader=off\ndigits: file=decimal reader=hexadecimal\n"
         "before: file=\"Right Alt, Keyboard a\" reader=none\nafter: file=\"Keyboard ENTER\" reader=none\n"},
        {reserved, "diff ", 6, "before: file=\"02 00 04 00 00 00 00 00\" reader=\"02 07 04 00 00 00 00 00\"\n"},
        {[&] {
             auto s = same;
             s.confByte = 41;
             return s;
         }(),
         "--json diff ", 6,
         "{\"config-bits\": {\"file\": 43, \"reader\": 41}, \"case\": {\"file\": \"upper\", \"reader\": \"lower\"}}\n"},
    };
    for (const auto &c : cases) {
        firmware->setSettings(c.reader);
        const Outcome run = Korvelctl(c.args + file);
        EXPECT_EQ(run.status, c.status) << c.args << run.out;
        EXPECT_EQ(run.out, c.out) << c.args;
    }
    EXPECT_EQ(Korvelctl("diff /nonexistent/file.rfc").status, 4);
    bus->unplugReader();
    EXPECT_EQ(Korvelctl("diff " + file).status, 3);
}

TEST_F(KorvelctlTest, SaveReplacesTheFileWhole)
{
    namespace fs = std::filesystem;
    const fs::path dir = fs::path(::testing::TempDir()) / "korvelctl-save";
    fs::remove_all(dir);
    fs::create_directories(dir);
    const fs::path file = dir / "mine.rfc";
    std::ofstream(file, std::ios::binary) << "; kept\r\n[Mine]\r\nx=1\r\n[CardCode]\r\nConfByte=1\r\n";
    fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    fs::create_symlink("mine.rfc", dir / "link.rfc");
    firmware->setSettings([] {
        readersim::ReaderSettings s;
        s.confByte = 43;
        return s;
    }());

    ASSERT_EQ(Korvelctl("save " + (dir / "link.rfc").string()).status, 0);
    std::stringstream text;
    text << std::ifstream(file, std::ios::binary).rdbuf();
    EXPECT_EQ(text.str().rfind("; kept\r\n[Mine]\r\nx=1\r\n[CardCode]\r\nConfByte=43\r\n", 0), 0u) << text.str();
    EXPECT_NE(text.str().find("[Remove]\r\nModifier=0\r\n"), std::string::npos);
    EXPECT_TRUE(fs::is_symlink(dir / "link.rfc"));
    EXPECT_EQ(fs::status(file).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);

    // A failed read leaves the file as it was; nothing else is left behind.
    // (The fault hits the request's set-feature, which only the umockdev
    // bus can refuse.)
    if (bus->refusesFeatureWrites()) {
        firmware->failNextTransfers(1);
        EXPECT_EQ(Korvelctl("save " + file.string()).status, 1);
    }
    EXPECT_EQ(Korvelctl("save " + (dir / "missing" / "x.rfc").string()).status, 4);
    std::stringstream after;
    after << std::ifstream(file, std::ios::binary).rdbuf();
    EXPECT_EQ(after.str(), text.str());
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 2); // mine.rfc, link.rfc
}

TEST_F(KorvelctlTest, ProvisionSetsUpReaderAfterReader)
{
    const std::string file = SampleFile("provision.rfc");
    firmware->clearLogs();
    // The reader attached counts as the first; then two more, plugged in turn.
    const struct {
        uint32_t factory;
        readersim::StoreFault fault;
        std::string line; // what provision prints for it (its start)
    } readers[] = {
        {10000, readersim::StoreFault::None,
         "{\"factory-id\": 10000, \"production-date\": \"2024-03-15\", \"ok\": true, \"error\": null}"},
        {20001, readersim::StoreFault::Refuse,
         "{\"factory-id\": 20001, \"production-date\": \"2024-03-15\", \"ok\": false, "
         "\"error\": \"RFID_SetConfigBits failed: "},
        {20002, readersim::StoreFault::Lose,
         "{\"factory-id\": 20002, \"production-date\": \"2024-03-15\", \"ok\": false, \"error\": \"not as written: "
         "config-bits: file=0x2B reader=0x0A; enter: file=on"},
    };
    Running provision("provision --json " + file + " --count 3");
    for (const auto &reader : readers) {
        if (reader.factory != 10000) {
            bus->unplugReader();
            readersim::ReaderSettings fresh;
            fresh.factoryId = reader.factory;
            firmware->becomeNewReader(fresh);
            firmware->failStores(reader.fault);
            bus->plugReader(*firmware);
        }
        const std::string line = provision.line();
        // The kernel's bus acknowledges a refused write: the read-back finds it.
        std::string expected = reader.line;
        if (reader.fault == readersim::StoreFault::Refuse && !bus->refusesFeatureWrites())
            expected = expected.substr(0, expected.find("\"error\"")) + "\"error\": \"not as written: ";
        EXPECT_EQ(line.rfind(expected, 0), 0u) << line;
    }
    EXPECT_EQ(provision.line(), "korvelctl: 1 reader set up, 2 failed");
    EXPECT_EQ(provision.status(), 1);
    firmware->failStores(readersim::StoreFault::None);
    std::vector<std::string> sounds;
    for (const std::string &event : firmware->events())
        if (event.rfind("sound", 0) == 0)
            sounds.push_back(event);
    EXPECT_EQ(sounds, (std::vector<std::string>{"sound 0", "sound 6", "sound 6"}));
}

TEST_F(KorvelctlTest, ProvisionEndsAtItsTimeoutAndFinishesTheReaderOnCtrlC)
{
    const std::string file = SampleFile("provision-stop.rfc");
    EXPECT_EQ(Korvelctl("provision " + file + " --timeout x").status, 2);
    EXPECT_EQ(Korvelctl("provision /nonexistent.rfc").status, 4);

    // Ctrl-C while the first reader is being written: it is written whole,
    // verified and reported, then the run ends short of its count.
    firmware->clearLogs();
    Running provision("provision " + file + " --count 2");
    ASSERT_TRUE(eventually([&] {
        const auto events = firmware->events();
        return std::any_of(events.begin(), events.end(),
                           [](const std::string &e) { return e.rfind("config", 0) == 0; });
    }));
    provision.signal(SIGINT);
    EXPECT_EQ(provision.line(), "10000 2024-03-15 ok");
    EXPECT_EQ(provision.line(), "korvelctl: 1 reader set up, 0 failed");
    EXPECT_EQ(provision.status(), 3);
    EXPECT_TRUE(HoldsSample(firmware->settings()));

    // No reader comes: the timeout ends it.
    bus->unplugReader();
    Running waiting("provision " + file + " --timeout 0.2");
    EXPECT_EQ(waiting.line(), "korvelctl: 0 readers set up, 0 failed");
    EXPECT_EQ(waiting.status(), 3);
}

} // namespace
