#include "Provision.h"

#include "Commands.h"
#include "ConfigTransfer.h"
#include "Output.h"
#include "ReaderMonitor.h"
#include "Status.h"
#include "StopSignals.h"
#include "korvel.h"

#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <optional>

namespace korvelctl {
namespace {

using Clock = ReaderMonitor::Clock;

// The reader's own sounds (the numbers of its PlaySound command, as the
// configuration tool names them): a reader set up says "S_VAL: Validation",
// one that failed "S_ALARM: Alarm", which stands out at a busy desk.
constexpr int32_t SoundSetUp = 0;
constexpr int32_t SoundFailed = 6;

// SIGINT and SIGTERM held back while a reader is written: one that comes
// then waits until the reader is done, and only then ends the run.
class SignalsHeld {
public:
    SignalsHeld()
    {
        sigset_t stop;
        sigemptyset(&stop);
        sigaddset(&stop, SIGINT);
        sigaddset(&stop, SIGTERM);
        ::pthread_sigmask(SIG_BLOCK, &stop, &previous_);
    }
    ~SignalsHeld() { ::pthread_sigmask(SIG_SETMASK, &previous_, nullptr); }
    SignalsHeld(const SignalsHeld &) = delete;
    SignalsHeld &operator=(const SignalsHeld &) = delete;

private:
    sigset_t previous_;
};

struct Identity {
    std::optional<int32_t> factoryId; // nullopt: could not be read
    std::string productionDate;
    bool operator==(const Identity &) const = default;
};

Identity ReadIdentity(std::string &error)
{
    TDeviceData data{};
    if (!RFID_GetDeviceData(&data)) {
        error = std::string("RFID_GetDeviceData failed: ") + std::strerror(errno);
        return {};
    }
    return {data.FactoryID, ProductionDate(data)};
}

// What became of one reader: empty when it holds the file's configuration.
std::string SetUp(const TKeyboardConfig &config)
{
    const LoadResult result = LoadIntoReader(config, true);
    if (!result.failure.empty())
        return result.failure;
    std::string differences;
    for (const Difference &d : result.differences)
        differences += (differences.empty() ? "" : "; ") + d.line();
    return differences.empty() ? std::string() : "not as written: " + differences;
}

void PrintReader(const Identity &identity, const std::string &failure, bool json)
{
    const bool dated = !identity.productionDate.empty();
    if (json) {
        const JsonValue line =
            JsonObject({{"factory-id", identity.factoryId ? JsonInteger(*identity.factoryId) : JsonNull()},
                        {"production-date", dated ? JsonString(identity.productionDate) : JsonNull()},
                        {"ok", JsonBool(failure.empty())},
                        {"error", failure.empty() ? JsonNull() : JsonString(failure)}});
        std::printf("%s\n", line.text.c_str());
    } else {
        const std::string factory = identity.factoryId ? std::to_string(*identity.factoryId) : "?";
        std::printf("%s %s %s\n", factory.c_str(), dated ? identity.productionDate.c_str() : "?",
                    failure.empty() ? "ok" : failure.c_str());
    }
    std::fflush(stdout);
}

// A word for the person at the desk, when there is one.
void Tell(const char *text)
{
    if (::isatty(STDERR_FILENO))
        std::fprintf(stderr, "korvelctl: %s\n", text);
}

class Provisioning {
public:
    Provisioning(const ProvisionOptions &options, const TKeyboardConfig &config) : options_(options), config_(config) {}

    int run()
    {
        cardlistener::StopSignals signals;
        ReaderMonitor monitor; // before the first look, so that no plug goes unseen
        bool gone = true;      // the last reader set up has been unplugged (or there was none)
        Tell("waiting for a reader (Ctrl-C ends)");
        const auto quiet = std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(options_.seconds));
        for (;;) {
            const std::optional<Clock::time_point> deadline =
                options_.seconds > 0 ? std::optional(Clock::now() + quiet) : std::nullopt;
            if (!waitForNext(monitor, gone, deadline, signals.fd()))
                break;
            setUpOne();
            gone = false;
            if (options_.count > 0 && done_ >= options_.count)
                break;
            Tell("unplug the reader and plug in the next one");
        }
        const long setUp = done_ - failed_;
        std::fprintf(stderr, "korvelctl: %ld reader%s set up, %ld failed\n", setUp, setUp == 1 ? "" : "s", failed_);
        if (failed_ > 0)
            return ExitCallFailed;
        return done_ == 0 || (options_.count > 0 && done_ < options_.count) ? ExitNoReader : ExitOk;
    }

private:
    // Waits for a reader that has not been set up: after the last one was
    // unplugged, any reader; before, one of another identity (unplugged and
    // another plugged in between two looks). False at the deadline or a stop.
    bool waitForNext(ReaderMonitor &monitor, bool &gone, std::optional<Clock::time_point> deadline, int stopFd)
    {
        for (bool changed = true;; changed = monitor.wait(deadline, stopFd) == ReaderMonitor::Wake::Changed) {
            if (!changed)
                return false;
            if (!ReaderMonitor::ReaderPresent()) {
                gone = true;
                continue;
            }
            if (gone)
                return true;
            std::string error;
            const Identity now = ReadIdentity(error);
            if (last_.factoryId && now.factoryId && !(now == last_))
                return true;
        }
    }

    void setUpOne()
    {
        const SignalsHeld held; // a Ctrl-C now ends the run after this reader
        std::string failure;
        last_ = ReadIdentity(failure);
        if (failure.empty())
            failure = SetUp(config_);
        RFID_PlaySound(failure.empty() ? SoundSetUp : SoundFailed);
        PrintReader(last_, failure, options_.json);
        ++done_;
        if (!failure.empty())
            ++failed_;
    }

    const ProvisionOptions &options_;
    const TKeyboardConfig &config_;
    Identity last_;
    long done_ = 0;
    long failed_ = 0;
};

} // namespace

int CommandProvision(const ProvisionOptions &options)
{
    std::string error;
    const std::optional<TKeyboardConfig> config = ReadConfigFileChecked(options.fileName, error);
    if (!config)
        return FileError(error + "; no reader was touched");
    try {
        return Provisioning(options, *config).run();
    } catch (const std::exception &e) {
        std::fprintf(stderr, "korvelctl: %s\n", e.what());
        return ExitCallFailed;
    }
}

} // namespace korvelctl
