#include "CardListener.h"

#include "FirmwareRules.h"

#include <fcntl.h>
#include <linux/input.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace cardlistener {
namespace {

// How often the device's presence is checked by a full look, besides the
// udev monitor (which may miss events), and how often an absent reader is
// looked for when following.
constexpr std::chrono::milliseconds PresenceCheck{5000};
constexpr std::chrono::milliseconds AbsentRescan{250};

int millisecondsUntil(CardListener::Clock::time_point when, CardListener::Clock::time_point now)
{
    if (when <= now)
        return 0;
    const auto ms = std::chrono::ceil<std::chrono::milliseconds>(when - now).count();
    return static_cast<int>(std::min<long long>(ms, 60'000));
}

// How long ago the device stamped an event: from 0 (a stamp in the future)
// to a bound, so that a wrong clock cannot hold a sequence open.
std::chrono::system_clock::time_point stampOf(const input_event &ev)
{
    using namespace std::chrono;
    return system_clock::time_point(seconds(ev.input_event_sec) + microseconds(ev.input_event_usec));
}

CardListener::Clock::duration ageOf(const input_event &ev, std::chrono::system_clock::time_point wall)
{
    using namespace std::chrono;
    const auto age = duration_cast<CardListener::Clock::duration>(wall - stampOf(ev));
    return std::clamp<CardListener::Clock::duration>(age, CardListener::Clock::duration::zero(), seconds(10));
}

} // namespace

CardListener::CardListener(ListenerOptions options) : options_(options), decoder_({}, options.quietGap) {}

CardListener::~CardListener() = default;

CardListener::Attach CardListener::attach()
{
    const auto found = FindReaderInputDevice();
    if (!found)
        return Attach::Absent;
    // The reader's configuration and identity first (a few hundred
    // milliseconds of feature reports), the node after: the kernel keeps
    // only some 64 events for a reader that does not read, and drops the
    // rest (SYN_DROPPED), so a card typed while they were asked for would
    // lose its start. Once the node is held, reading starts at once.
    const auto config = ReadKeyboardConfig();
    const auto identity = ReadReaderIdentity();
    if (!config || !identity)
        return Attach::Absent; // gone while asked, or not answering: looked for again
    // Events stamped before the open predate this listener: the kernel gives
    // each open file its own empty queue, but the virtual reader's node
    // shares one, and its leftovers are dropped by their stamps as they are
    // read. (Draining the queue here instead would also eat the start of a
    // card typed during the drain.)
    const auto openedAt = std::chrono::system_clock::now();
    TUniqueFd fd(::open(found->devnode.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (!fd) {
        error_ = "cannot open " + found->devnode + ": " + std::strerror(errno);
        return errno == ENOENT || errno == ENODEV ? Attach::Absent : Attach::Failed;
    }
    everAttached_ = true; // from here on, failing to set up means the reader went
    InputGrab grab;
    if (options_.grab) {
        grab = InputGrab(fd.get());
        if (!grab.held()) {
            error_ = "cannot take " + found->devnode + " for this program alone: " + std::strerror(errno);
            return errno == ENODEV ? Attach::Absent : Attach::Failed; // going while found
        }
    }
    fd_ = std::move(fd);
    grab_ = std::move(grab);
    device_ = *found;
    identity_ = *identity;
    decoder_.setConfig(*config);
    input_.clear();
    staleBefore_ = openedAt;
    lastCheck_ = Clock::now();
    return Attach::Done;
}

void CardListener::detach()
{
    take(decoder_.flush());
    grab_.release();
    fd_.reset();
    device_ = {};
    identity_ = {};
    input_.clear();
    if (!options_.follow)
        gone_ = true;
}

void CardListener::refine(CardEvent &event)
{
    if (event.kind != CardEvent::Kind::Card)
        return;
    if (!event.fits && !event.strokes.empty()) {
        // The configuration may have changed since it was read.
        if (const auto config = ReadKeyboardConfig(); config && *config != decoder_.config()) {
            decoder_.setConfig(*config);
            CardEvent again = decoder_.decode(event.strokes);
            again.firstKey = event.firstKey;
            again.lastKey = event.lastKey;
            event = std::move(again);
        }
    }
    if (event.fits && event.decimal) {
        // The typed number drops leading zero bytes; the reader's own answer
        // has them, when it still holds this card and its firmware reports
        // card codes.
        if (const auto code = readerconfig::AnswersCardCode(identity_.firmware) ? ReadCardCode() : std::nullopt;
            code && !code->empty() && DecimalOf(*code) == DecimalOf(event.code)) {
            event.code = *code;
            event.decimal = false;
        }
    }
}

void CardListener::take(std::vector<CardEvent> events)
{
    for (CardEvent &event : events) {
        refine(event);
        ready_.push_back(std::move(event));
    }
}

void CardListener::readInput(Clock::time_point now)
{
    char buffer[64 * sizeof(input_event)];
    for (;;) {
        const ssize_t n = ::read(fd_.get(), buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n == 0 || (n < 0 && errno != EAGAIN)) {
            detach(); // ENODEV: unplugged
            return;
        }
        if (n < 0)
            return;
        input_.append(buffer, static_cast<size_t>(n));
        // The decoder's quiet gap is measured between the device's own
        // timestamps (wall clock), so that this program being slow to read
        // never splits a card; they are moved onto the steady clock.
        const auto wall = std::chrono::system_clock::now();
        size_t used = 0;
        for (; used + sizeof(input_event) <= input_.size(); used += sizeof(input_event)) {
            input_event ev;
            std::memcpy(&ev, input_.data() + used, sizeof ev);
            if (staleBefore_) {
                // Stale ones come first: the first fresh one ends the check,
                // so a later step of the wall clock drops nothing.
                if (stampOf(ev) < *staleBefore_)
                    continue;
                staleBefore_.reset();
            }
            take(decoder_.feed(ev.type, ev.code, ev.value, now - ageOf(ev, wall)));
        }
        input_.erase(0, used);
    }
}

CardListener::Status CardListener::next(CardEvent &event, std::optional<Clock::time_point> until)
{
    for (;;) {
        pollfd stop{options_.stopFd, POLLIN, 0};
        if (options_.stopFd >= 0 && ::poll(&stop, 1, 0) > 0)
            return Status::Stopped;
        if (!ready_.empty()) {
            event = std::move(ready_.front());
            ready_.pop_front();
            return Status::Event;
        }
        if (gone_)
            return Status::ReaderGone;
        Clock::time_point now = Clock::now();
        if (!fd_) {
            switch (attach()) {
            case Attach::Done:
                continue;
            case Attach::Failed:
                return Status::Failed;
            case Attach::Absent:
                if (!options_.follow)
                    return everAttached_ ? Status::ReaderGone : Status::NoReader;
            }
        } else if (now - lastCheck_ >= PresenceCheck) {
            lastCheck_ = now;
            if (FindReaderInputDevice() != device_) {
                detach();
                continue;
            }
        }

        Clock::time_point wake = now + (fd_ ? PresenceCheck : AbsentRescan);
        if (const auto deadline = decoder_.deadline())
            wake = std::min(wake, *deadline);
        if (until)
            wake = std::min(wake, *until);
        pollfd fds[3] = {{fd_.get(), POLLIN, 0}, {monitor_.fd(), POLLIN, 0}, {options_.stopFd, POLLIN, 0}};
        const int ready = ::poll(fds, 3, millisecondsUntil(wake, now));
        if (ready < 0 && errno != EINTR) {
            error_ = std::string("poll: ") + std::strerror(errno);
            return Status::Failed;
        }
        now = Clock::now();
        if (ready > 0 && (fds[2].revents & POLLIN))
            return Status::Stopped;
        if (ready > 0 && fds[0].revents)
            readInput(now);
        if (ready > 0 && (fds[1].revents & POLLIN)) {
            const auto changes = monitor_.drain(device_.syspath);
            if (changes.removed && fd_)
                detach();
        }
        take(decoder_.idle(now));
        if (ready_.empty() && until && now >= *until)
            return Status::TimedOut;
    }
}

} // namespace cardlistener
