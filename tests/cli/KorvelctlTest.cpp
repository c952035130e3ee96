// korvelctl as a user runs it, against the virtual reader: output, JSON,
// exit statuses, and a save and load round trip.
#include "ReaderFirmware.h"
#include "VirtualBus.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <fstream>
#include <memory>
#include <string>

namespace {

readersim::ReaderFirmware *firmware;
readersim::VirtualBus *bus;

struct Outcome {
    int status;
    std::string out;
};

// Runs korvelctl with these arguments (a shell word list) in the bus's environment.
Outcome Korvelctl(const std::string &args)
{
    const std::string command = std::string(KORVELCTL) + " " + args + " 2>/dev/null";
    Outcome run{-1, {}};
    std::FILE *pipe = ::popen(command.c_str(), "r");
    if (!pipe)
        return run;
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, pipe))
        run.out += buffer;
    const int status = ::pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

class KorvelctlTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!bus->readerPlugged())
            bus->plugReader(*firmware);
        firmware->setSettings({});
    }
};

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
    for (const char *command : {"info", "get", "set", "save", "load", "raw"}) {
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
    EXPECT_EQ(Korvelctl("load /nonexistent/file.rfc").status, 2);
}

TEST_F(KorvelctlTest, RawSendAndListen)
{
    firmware->setSettings([] {
        readersim::ReaderSettings s;
        s.deviceMode = 1;
        return s;
    }());
    firmware->clearLogs();
    EXPECT_EQ(Korvelctl("raw send 0102FF").status, 0);
    const auto out = firmware->outputReports();
    ASSERT_FALSE(out.empty());
    EXPECT_EQ(out.back()[1], 4);
    EXPECT_EQ(out.back()[4], 0xFF);
    EXPECT_EQ(Korvelctl("raw send 0G").status, 2);
    const Outcome listen = Korvelctl("raw listen --timeout 0.3");
    EXPECT_EQ(listen.status, 0);
}

} // namespace

int main(int argc, char **argv)
{
    readersim::VirtualBus::ensurePreload(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    auto fw = std::make_unique<readersim::ReaderFirmware>();
    auto b = std::make_unique<readersim::VirtualBus>();
    firmware = fw.get();
    bus = b.get();
    bus->plugReader(*firmware);
    const int result = RUN_ALL_TESTS();
    b.reset();
    return result;
}
