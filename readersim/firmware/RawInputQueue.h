// The order in which the raw channel's input reports reach the host.
//
// Reports go to the sink one at a time, in the order they were sent, from
// whichever thread sends them. A sink may itself send (an echo answered
// with the next output report): such reports are queued and delivered
// after the running sink call returns, so a sink never runs inside itself.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

namespace readersim {

class RawInputQueue {
public:
    using RawReport = std::array<uint8_t, 65>;
    using Sink = std::function<void(const RawReport &)>;
    // Where the next report goes, looked up just before each delivery: the
    // sink, or an empty function to drop the report.
    using Route = std::function<Sink()>;

    explicit RawInputQueue(Route route) : route_(std::move(route)) {}
    RawInputQueue(const RawInputQueue &) = delete;
    RawInputQueue &operator=(const RawInputQueue &) = delete;

    // One sender's hold on the queue, for as long as it lives: reports sent
    // under one turn arrive together. Taken before the firmware's own lock,
    // never while holding it. A turn taken inside a running sink call holds
    // nothing (it is nested).
    class Turn {
    public:
        explicit Turn(RawInputQueue &queue);
        ~Turn();
        Turn(const Turn &) = delete;
        Turn &operator=(const Turn &) = delete;
        bool nested() const { return nested_; }

    private:
        RawInputQueue &queue_;
        const bool nested_;
        std::unique_lock<std::mutex> lock_; // released after the destructor's body
    };

    // Hands the report to the sink now, or after the running sink call returns.
    void send(const Turn &turn, const RawReport &report);

private:
    void deliver(const RawReport &report); // under the turn, without the firmware's lock

    Route route_;
    std::mutex mutex_;
    std::vector<RawReport> queued_; // under mutex_: sent by a running sink
};

} // namespace readersim
