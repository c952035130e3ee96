// One HID interface served from user space through FunctionFS: the
// instance is mounted, given its descriptors and its endpoints opened; one
// thread then answers the host's control requests (through HidControl),
// writes queued reports to the interrupt IN endpoint as the host polls for
// them, and hands what arrives on the interrupt OUT endpoint to a handler.
//
// The endpoint transfers use the kernel's asynchronous I/O, so the thread
// never blocks in one: a report waits in the endpoint until the host's
// driver polls (it polls only while some program has the device open), and
// an unplug completes whatever is in flight.
#pragma once

#include "HidInterface.h"

#include <linux/aio_abi.h>

#include <atomic>
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
    void submitTransfers();
    void reapTransfers();
    void cancelTransfers();

    std::string mountPoint_;
    HidControl control_;
    int ep0_ = -1, in_ = -1, out_ = -1;
    int aioDone_ = -1; // eventfd: an endpoint transfer completed
    int wake_ = -1;    // eventfd: a report was queued, or stop
    unsigned long aio_ = 0;
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
