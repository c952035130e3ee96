// Whether any hidraw node may have come or gone since a moment: what lets
// the library keep its list of HID interfaces between calls. The library's
// udev monitor counts every event it takes off its socket (noteEvent, called
// before the event is taken), and an event still waiting on that socket
// counts too, so a change is seen as soon as udev has announced it.
#pragma once

#include <cstdint>
#include <mutex>
#include <optional>

namespace korvel::os {

class HidrawChanges {
public:
    // The monitor socket whose events are counted; without one (detached,
    // or never attached) nothing counts as unchanged.
    void attach(int monitorFd);
    void detach();
    void noteEvent();

    // A mark for what is learnt from now on; nullopt when changes cannot be
    // followed.
    std::optional<uint64_t> mark();
    // Whether no hidraw event can have happened since `mark` was taken.
    bool unchangedSince(uint64_t mark);

private:
    std::mutex lock_;
    int monitorFd_ = -1;
    uint64_t events_ = 0;
};

} // namespace korvel::os
