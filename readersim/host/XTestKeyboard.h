// Types the virtual reader's keyboard reports into the X server through
// the XTest extension, into whichever window has the keyboard focus, the
// way the reader's keyboard interface would through the system's keyboard
// driver. The X server's own keyboard layout turns keys into characters.
#pragma once

#include "KeyboardOutput.h"

#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>

namespace readersim {

class XTestKeyboard {
public:
    // Connects to `display` (DISPLAY when empty); null when there is no X
    // server or it lacks the XTest extension.
    static std::unique_ptr<XTestKeyboard> Connect(const std::string &display = {});
    ~XTestKeyboard();
    XTestKeyboard(const XTestKeyboard &) = delete;
    XTestKeyboard &operator=(const XTestKeyboard &) = delete;

    // Plays the reports in order: each one presses what it holds and lets
    // go of what the previous one held and it does not.
    void Play(const std::vector<BootReport> &reports);

private:
    struct Display;
    explicit XTestKeyboard(Display *display);

    // The X key symbol for a keyboard usage code; 0 when there is none.
    static unsigned long KeysymOf(uint8_t usage);
    void Set(unsigned long keysym, bool down);

    Display *display_;
    std::mutex lock_;
    std::set<unsigned long> held_;
};

} // namespace readersim
