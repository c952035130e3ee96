// The raw channel on a hidraw node: reads and writes of whole reports with
// time limits, and an eventfd that wakes a waiting transfer when the
// channel is closed from another thread.
#pragma once

#include "../HidPlatform.h"

#include <atomic>
#include <memory>

namespace korvel::os {

class HidrawRawDevice final : public RawDevice {
public:
    // Takes ownership of `fd`. `numbered`: the device uses report IDs, so
    // the kernel passes the ID byte; otherwise this layer adds it on reads
    // (the kernel strips a zero ID byte on writes).
    static std::shared_ptr<HidrawRawDevice> adopt(int fd, bool numbered);
    ~HidrawRawDevice() override;
    HidrawRawDevice(const HidrawRawDevice &) = delete;
    HidrawRawDevice &operator=(const HidrawRawDevice &) = delete;

    ReadResult readReport(uint8_t *report, size_t length, unsigned timeoutMs) override;
    bool writeReport(const uint8_t *report, size_t length, unsigned timeoutMs) override;
    void interrupt() override;

private:
    HidrawRawDevice(int fd, int wakeFd, bool numbered);
    // Waits for `events` on the node; false on time-out (errno ETIMEDOUT),
    // interruption (ECANCELED) or an error of the node.
    bool waitFor(short events, unsigned timeoutMs, bool &timedOut);

    int fd_;
    int wakeFd_;
    bool numbered_;
    std::atomic<bool> interrupted_{false};
};

} // namespace korvel::os
