// One HID interface served from user space through FunctionFS: the
// instance is mounted, given its descriptors and its endpoints opened; one
// thread then answers the host's control requests (through HidControl),
// writes queued reports to the interrupt IN endpoint as the host polls for
// them, and hands what arrives on the interrupt OUT endpoint to a handler.
//
// The endpoint transfers use the kernel's asynchronous I/O on non-blocking
// endpoint files, so the thread never blocks in one: a report waits in the
// endpoint until the host's driver polls (it polls only while some program
// has the device open), and an unplug completes whatever is in flight. The
// IN endpoint sends at most one report per polling interval, as a host
// controller polls it (dummy_hcd's does not: it takes one every frame).
//
// A control transfer's data or status stage is a blocking call on ep0 that
// only the host, an unplug or a signal ends. Each runs under a deadline: a
// timer sends the thread SIGRTMIN+1 (given, on first use, a handler that
// does nothing, without SA_RESTART), the call returns EINTR and the request
// is stalled. The host gives up a control transfer after 5 s; we after 10 s.
#pragma once

#include "HidInterface.h"

#include <linux/aio_abi.h>

#include <time.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace readersim {

class FunctionFsInterface {
public:
    // Mounts the FunctionFS instance `instance` (made in configfs before) at
    // `mountPoint` and gets it ready for the gadget's bind. Throws
    // std::runtime_error.
    FunctionFsInterface(const std::string &instance, const std::string &mountPoint, HidControl control);
    ~FunctionFsInterface(); // stops the thread, closes the endpoints, unmounts
    FunctionFsInterface(const FunctionFsInterface &) = delete;
    FunctionFsInterface &operator=(const FunctionFsInterface &) = delete;

    // Queues an input report for the interrupt IN endpoint (at most
    // `MaxQueued` wait; more are dropped, as a device's buffer overflows).
    // Any thread.
    void send(std::vector<uint8_t> report);
    // What arrives on the interrupt OUT endpoint. Set before the bind.
    void setOutputHandler(std::function<void(const std::vector<uint8_t> &)> handler);
    // Whether the host has configured the device (its endpoints are enabled).
    bool enabled() const { return enabled_; }

    static constexpr size_t MaxQueued = 4096;

private:
    void run();
    void handleEvents();
    void handleSetup(const struct usb_ctrlrequest &setup);
    // One call on ep0 under the deadline; its result, -1 with errno EINTR
    // when the deadline passed.
    ssize_t ep0Call(bool write, void *data, size_t size);
    void submitTransfers();
    void reapTransfers();
    void cancelTransfers();

    std::string mountPoint_;
    HidControl control_;
    int ep0_ = -1, in_ = -1, out_ = -1;
    int aioDone_ = -1; // eventfd: an endpoint transfer completed
    int wake_ = -1;    // eventfd: a report was queued, or stop
    int pace_ = -1;    // timerfd: the IN endpoint's next polling slot
    timer_t deadline_{}; // the thread's: interrupts a stuck ep0 call
    bool deadlineReady_ = false;
    unsigned long aio_ = 0;
    std::chrono::steady_clock::time_point nextIn_{}; // thread only
    std::atomic<bool> enabled_{false};
    std::atomic<bool> stop_{false};
    bool inBusy_ = false, outBusy_ = false; // a transfer in flight (thread only)
    std::vector<uint8_t> inBuffer_, outBuffer_;
    struct iocb inBlock_ {}, outBlock_ {};
    std::mutex mutex_; // the members below
    std::deque<std::vector<uint8_t>> queue_;
    std::function<void(const std::vector<uint8_t> &)> onOutput_;
    std::thread thread_;
};

} // namespace readersim
