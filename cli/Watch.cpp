#include "Watch.h"

#include "CardListener.h"
#include "korvel.h"
#include "Output.h"
#include "Status.h"
#include "StopSignals.h"
#include "TextFormat.h"

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cerrno>
#include <ctime>
#include <exception>
#include <optional>

namespace korvelctl {

namespace {

using cardlistener::CardEvent;
using cardlistener::CardListener;

std::string utcNow()
{
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
    std::tm utc{};
    gmtime_r(&seconds, &utc);
    char text[40];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &utc);
    char full[48];
    std::snprintf(full, sizeof full, "%s.%03dZ", text, static_cast<int>(ms));
    return full;
}

void print(const CardEvent &card, const CardListener &listener, bool json)
{
    const std::string code = readerconfig::HexBytes(card.code);
    if (json) {
        const auto &id = listener.identity();
        const JsonValue reader = JsonObject({{"manufacturer", JsonString(id.manufacturer)},
                                             {"product", JsonString(id.product)},
                                             {"firmware", JsonNumber(id.firmware)},
                                             {"factory-id", JsonInteger(id.factoryId)},
                                             {"device", JsonString(listener.device().devnode)}});
        std::printf("%s\n", JsonObject({{"time", JsonString(utcNow())},
                                        {"code", card.fits ? JsonString(code) : JsonValue{"null"}},
                                        {"text", JsonString(card.text)},
                                        {"fits", JsonBool(card.fits)},
                                        {"reader", reader}})
                                .text.c_str());
    } else if (card.fits) {
        std::printf("%s\n", code.c_str());
    } else {
        std::printf("? %s\n", JsonString(card.text).text.c_str());
    }
    std::fflush(stdout);
}

// Runs the command for one card and waits for it. The card's values go in
// the environment only, never into a command line.
void run(const std::vector<std::string> &command, const CardEvent &card)
{
    std::fflush(nullptr);
    const pid_t child = ::fork();
    if (child < 0) {
        std::perror("korvelctl: fork");
        return;
    }
    if (child == 0) {
        ::setenv("KORVEL_CARD_CODE", card.fits ? readerconfig::HexBytes(card.code).c_str() : "", 1);
        ::setenv("KORVEL_CARD_TEXT", card.text.c_str(), 1);
        ::setenv("KORVEL_CARD_FITS", card.fits ? "1" : "0", 1);
        std::vector<char *> argv;
        for (const std::string &word : command)
            argv.push_back(const_cast<char *>(word.c_str()));
        argv.push_back(nullptr);
        ::execvp(argv[0], argv.data());
        std::fprintf(stderr, "korvelctl: cannot run %s: %s\n", argv[0], std::strerror(errno));
        ::_exit(127);
    }
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        std::fprintf(stderr, "korvelctl: %s ended with status %d\n", command[0].c_str(),
                     WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status));
}

// The reader types nothing in advanced mode or with its keyboard output off:
// say so once rather than wait in silence. A reader that does not answer is
// left to the listener to report.
void warnIfSilent()
{
    uint8_t enable = 1;
    int32_t mode = 0;
    if (RFID_GetEnable(&enable) && enable == 0)
        std::fprintf(stderr, "korvelctl: warning: the reader's keyboard output is off, so it types no card "
                             "(korvelctl set keyboard on)\n");
    if (RFID_GetDeviceMode(&mode) && mode != 0)
        std::fprintf(stderr, "korvelctl: warning: the reader is in advanced mode, so it types no card "
                             "(korvelctl set device-mode normal)\n");
}

} // namespace

int CommandWatch(const WatchOptions &watch)
{
    try {
        cardlistener::StopSignals signals;
        cardlistener::ListenerOptions options{watch.grab, watch.follow, signals.fd()};
        if (watch.gap > 0)
            options.quietGap = std::max(std::chrono::milliseconds(1), std::chrono::round<std::chrono::milliseconds>(
                                                                          std::chrono::duration<double>(watch.gap)));
        CardListener listener(options);
        warnIfSilent();
        using Clock = CardListener::Clock;
        const auto quiet = std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(watch.seconds));
        long printed = 0;
        for (;;) {
            const std::optional<Clock::time_point> until =
                watch.seconds > 0 ? std::optional(Clock::now() + quiet) : std::nullopt;
            CardEvent card;
            switch (listener.next(card, until)) {
            case CardListener::Status::Event:
                if (card.kind != CardEvent::Kind::Card)
                    continue; // a card taken away: not a line of its own
                print(card, listener, watch.json);
                if (!watch.command.empty())
                    run(watch.command, card);
                if (watch.count > 0 && ++printed >= watch.count)
                    return ExitOk;
                continue;
            case CardListener::Status::TimedOut:
            case CardListener::Status::Stopped:
                return ExitOk;
            case CardListener::Status::NoReader:
                return NoReader();
            case CardListener::Status::ReaderGone:
                std::fprintf(stderr, "korvelctl: the reader went away\n");
                return ExitNoReader;
            case CardListener::Status::Failed:
                std::fprintf(stderr, "korvelctl: %s\n", listener.error().c_str());
                return ExitCallFailed;
            }
        }
    } catch (const std::exception &e) {
        std::fprintf(stderr, "korvelctl: %s\n", e.what());
        return ExitCallFailed;
    }
}

} // namespace korvelctl
