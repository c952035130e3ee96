// Card events from the reader's own keyboard device, for a program that does
// not have the keyboard focus: finds the reader's event node, optionally
// takes it exclusively, reads the reader's keyboard configuration through the
// library and decodes what the reader types. Only the reader's device is read,
// so other keyboards never get in. Follows the reader across unplugging when
// asked; otherwise reports its going.
#pragma once

#include "CardDecoder.h"
#include "InputDevice.h"
#include "InputGrab.h"
#include "ReaderQueries.h"
#include "UniqueFd.h"

#include <chrono>
#include <deque>
#include <memory>
#include <optional>
#include <string>

namespace cardlistener {

struct ListenerOptions {
    bool grab = false;
    bool follow = false;
    int stopFd = -1; // readable: next() returns Stopped (e.g. StopSignals::fd())
    std::chrono::milliseconds quietGap = CardDecoder::DefaultQuietGap;
};

class CardListener {
public:
    using Clock = std::chrono::steady_clock;
    enum class Status {
        Event,      // `event` holds the next card (or card removal)
        TimedOut,   // nothing by the deadline
        Stopped,    // the stop descriptor became readable
        NoReader,   // no reader (or it has no input device) and not following
        ReaderGone, // the reader went and not following
        Failed,     // the device cannot be opened or grabbed; error() tells why
    };

    explicit CardListener(ListenerOptions options);
    ~CardListener();
    CardListener(const CardListener &) = delete;
    CardListener &operator=(const CardListener &) = delete;

    // Waits for the next event until `until` (nullopt: no limit).
    Status next(CardEvent &event, std::optional<Clock::time_point> until = std::nullopt);

    // The reader now being read (empty fields while none is).
    const ReaderIdentity &identity() const { return identity_; }
    const InputDeviceInfo &device() const { return device_; }
    bool grabbed() const { return grab_.held(); }
    const std::string &error() const { return error_; }

private:
    enum class Attach { Done, Absent, Failed };
    Attach attach();
    void detach(); // the device went: what is pending becomes events
    void readInput(Clock::time_point now);
    void take(std::vector<CardEvent> events);
    void refine(CardEvent &event);

    ListenerOptions options_;
    InputDeviceMonitor monitor_;
    TUniqueFd fd_;
    InputGrab grab_; // after fd_: let go before the descriptor closes
    InputDeviceInfo device_;
    ReaderIdentity identity_;
    CardDecoder decoder_;
    std::deque<CardEvent> ready_;
    std::string input_; // bytes of a partly read input_event
    // Until the first event stamped at or after the open: events stamped
    // earlier are dropped.
    std::optional<std::chrono::system_clock::time_point> staleBefore_;
    bool everAttached_ = false;
    bool gone_ = false; // went away while not following: report once drained
    Clock::time_point lastCheck_{};
    std::string error_;
};

} // namespace cardlistener
