// korvelctl watch against the virtual reader typing through its keyboard
// event node: the codes tapped under each kind of configuration, the grab
// held for the whole run and let go after it, unplugging that ends the run
// or is followed, and a command run per card.
#include "KeyboardOutput.h"
#include "ReaderFirmware.h"
#include "VirtualBus.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto Deadline = std::chrono::seconds(20);

readersim::ReaderFirmware *firmware;
readersim::VirtualBus *bus;

// Waits for `done` with a generous deadline; false (and a failure naming
// `what`) when it does not come.
bool waitFor(const std::function<bool()> &done, const std::string &what)
{
    const auto end = Clock::now() + Deadline;
    while (!done()) {
        if (Clock::now() > end) {
            ADD_FAILURE() << "timed out waiting for " << what;
            return false;
        }
        ::usleep(2000);
    }
    return true;
}

// korvelctl as a child process, its output (with `errors`, stderr too)
// read line by line.
class Korvelctl {
public:
    explicit Korvelctl(std::vector<std::string> args, bool errors = false)
    {
        int out[2];
        if (::pipe2(out, O_CLOEXEC) != 0)
            throw std::runtime_error("pipe");
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(out[1], 1);
            if (errors)
                ::dup2(out[1], 2);
            args.insert(args.begin(), KORVELCTL);
            std::vector<char *> argv;
            for (std::string &a : args)
                argv.push_back(a.data());
            argv.push_back(nullptr);
            ::execv(KORVELCTL, argv.data());
            ::_exit(127);
        }
        ::close(out[1]);
        out_ = out[0];
    }
    ~Korvelctl()
    {
        if (pid_ > 0 && !exited_) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
        ::close(out_);
    }

    // The next line of output, without its newline; nullopt at the deadline or the end.
    std::optional<std::string> line()
    {
        const auto end = Clock::now() + Deadline;
        for (;;) {
            if (const size_t nl = buffer_.find('\n'); nl != std::string::npos) {
                std::string line = buffer_.substr(0, nl);
                buffer_.erase(0, nl + 1);
                return line;
            }
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count();
            pollfd p{out_, POLLIN, 0};
            if (left <= 0 || ::poll(&p, 1, static_cast<int>(left)) <= 0)
                return std::nullopt;
            char chunk[512];
            const ssize_t n = ::read(out_, chunk, sizeof chunk);
            if (n <= 0)
                return std::nullopt;
            buffer_.append(chunk, static_cast<size_t>(n));
        }
    }

    // The exit status; -1 at the deadline.
    int status()
    {
        int status = 0;
        if (!waitFor([&] { return ::waitpid(pid_, &status, WNOHANG) == pid_; }, "korvelctl to end"))
            return -1;
        exited_ = true;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    void signal(int number) { ::kill(pid_, number); }

private:
    pid_t pid_ = -1;
    int out_ = -1;
    bool exited_ = false;
    std::string buffer_;
};

std::array<uint8_t, 6> affix(const std::string &text)
{
    std::array<uint8_t, 6> bytes{};
    std::copy(text.begin(), text.end(), bytes.begin());
    return bytes;
}

readersim::ReaderSettings settings(uint8_t confByte, const std::string &prefix = "", const std::string &sufix = "",
                                   readersim::KeyboardReport before = {}, readersim::KeyboardReport after = {},
                                   readersim::KeyboardReport remove = {})
{
    readersim::ReaderSettings s;
    s.confByte = confByte;
    s.prefix = affix(prefix);
    s.sufix = affix(sufix);
    s.before = before;
    s.after = after;
    s.remove = remove;
    return s;
}

class WatchTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!bus->readerPlugged())
            bus->plugReader(*firmware);
        firmware->setSettings({});
        firmware->removeCard();
    }
    static bool grabbed() { return bus->keyboardGrabbed(); }
};

TEST_F(WatchTest, ThreeTapsUnderEachConfiguration)
{
    struct Config {
        const char *name;
        readersim::ReaderSettings settings;
        bool removeEachCard;
    };
    const std::vector<Config> configs = {
        {"hex upper", settings(0x0A), false},
        {"hex lower with Enter", settings(0x09), false},
        {"decimal with Enter", settings(0x21), false},
        {"prefix and suffix", settings(0x0A, "AB", "#!"), false},
        {"Manager", settings(0x1B), false},
        {"Before, After, Remove with modifiers", settings(0x0A, "", "", {0xC0, 0, 0x04}, {0x80, 0, 0x28}, {0x02, 0, 0x1B}),
         true},
        {"After held until removed", settings(0x0E, "", "", {}, {0x01, 0, 0x2B}, {0, 0, 0x29}), true},
    };
    const std::vector<std::vector<uint8_t>> codes = {{0x12, 0xAB, 0x00}, {0x00, 0x00, 0x07}, {0xE1, 0x02, 0x03, 0x04}};
    const std::vector<std::string> hex = {"12AB00", "000007", "E1020304"};
    for (const Config &config : configs) {
        SCOPED_TRACE(config.name);
        firmware->setSettings(config.settings);
        Korvelctl watch({"--json", "watch", "--grab", "--count", "3"});
        ASSERT_TRUE(waitFor(grabbed, "the grab"));
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
    Korvelctl watch({"watch", "--grab", "--count", "1"});
    ASSERT_TRUE(waitFor(grabbed, "the grab"));
    // What would be a card had the reader typed it.
    bus->typeOnOtherKeyboard(readersim::TypeCard(settings(0x0B), {0x99}));
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
        readersim::ReaderSettings s = settings(0x0B);
        s.enable = enable;
        s.deviceMode = mode;
        firmware->setSettings(s);
        Korvelctl watch({"watch", "--timeout", "0.2"}, true);
        EXPECT_NE(watch.line().value_or("").find(enable ? "advanced mode" : "keyboard output is off"),
                  std::string::npos);
        EXPECT_EQ(watch.status(), 0);
    }
}

TEST_F(WatchTest, UnplugEndsTheRunOrIsFollowed)
{
    {
        Korvelctl watch({"watch", "--grab"});
        ASSERT_TRUE(waitFor(grabbed, "the grab"));
        bus->unplugReader();
        EXPECT_EQ(watch.status(), 3);
    }
    EXPECT_EQ(Korvelctl({"watch"}).status(), 3); // no reader at all
    Korvelctl watch({"watch", "--grab", "--follow", "--count", "1"});
    bus->plugReader(*firmware);
    ASSERT_TRUE(waitFor(grabbed, "the grab after the plug"));
    bus->unplugReader();
    bus->plugReader(*firmware);
    ASSERT_TRUE(waitFor(grabbed, "the grab after the replug"));
    firmware->tapCard({0x42});
    EXPECT_EQ(watch.line(), "42");
    EXPECT_EQ(watch.status(), 0);
}

TEST_F(WatchTest, SignalLetsGoAndCommandsGetTheCode)
{
    {
        Korvelctl watch({"watch", "--grab"});
        ASSERT_TRUE(waitFor(grabbed, "the grab"));
        Korvelctl second({"watch", "--grab"});
        EXPECT_EQ(second.status(), 1); // held by the first
        watch.signal(SIGTERM);
        EXPECT_EQ(watch.status(), 0);
        EXPECT_FALSE(grabbed());
    }
    firmware->setSettings(settings(0x0B, "", "\"'"));
    Korvelctl watch({"watch", "--grab", "--count", "1", "--exec", "env"});
    ASSERT_TRUE(waitFor(grabbed, "the grab"));
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

int main(int argc, char **argv)
{
    readersim::VirtualBus::ensurePreload(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    auto fw = std::make_unique<readersim::ReaderFirmware>();
    auto b = std::make_unique<readersim::VirtualBus>();
    firmware = fw.get();
    bus = b.get();
    firmware->setKeyboardSink([](const std::vector<readersim::BootReport> &reports) { bus->typeOnKeyboardInterface(reports); });
    bus->plugReader(*firmware);
    const int result = RUN_ALL_TESTS();
    firmware->setKeyboardSink({});
    b.reset();
    return result;
}
