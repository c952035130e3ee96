// The library's hidden window on Linux: a thread that handles one message
// at a time. A libudev monitor on hidraw turns every add and remove of a
// HID interface into a WM_DEVICECHANGE message for the HID class, and other
// threads hand messages to it synchronously (sendMessage), as SendMessage
// does with a window. Its monitor also tells `changes` of every hidraw
// event, for the interface list the platform keeps.
#pragma once

#include "../HidPlatform.h"
#include "HidrawChanges.h"
#include "Udev.h"

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace korvel::os {

class UdevMessageWindow final : public MessageWindow {
public:
    UdevMessageWindow(std::function<void(const WindowMessage &)> handler, HidrawChanges &changes);
    ~UdevMessageWindow() override;

    bool sendMessage(const WindowMessage &message) override;
    void shutdown() override;

private:
    struct Pending {
        WindowMessage message;
        bool done = false;
    };

    void run();
    void serve();
    void handleDeviceEvent();
    void wake();

    std::function<void(const WindowMessage &)> handler_;
    HidrawChanges &changes_;
    linux_udev::Udev udev_;
    linux_udev::UdevMonitor monitor_;
    int wakeFd_ = -1;

    std::mutex lock_;
    std::condition_variable handled_;
    std::deque<Pending *> queue_;
    bool closing_ = false;
    std::thread thread_;
};

} // namespace korvel::os
