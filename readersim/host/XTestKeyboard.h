// Types the virtual reader's keyboard reports into the X server through
// the XTest extension, into whichever window has the keyboard focus, the
// way the reader's keyboard interface would through the system's keyboard
// driver. The X server's own keyboard layout turns keys into characters.
#pragma once

#include "KeyboardOutput.h"

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace readersim {

class XTestKeyboard {
public:
    // Connects to `display` (DISPLAY when empty); null when there is no X
    // server or it lacks the XTest extension.
    static std::unique_ptr<XTestKeyboard> Connect(const std::string &display = {});
    ~XTestKeyboard();
    XTestKeyboard(const XTestKeyboard &) = delete;
    XTestKeyboard &operator=(const XTestKeyboard &) = delete;

    // Plays the reports in order: each one lets go of what the previous one
    // held and it does not, then presses its modifiers and then its keys in
    // the report's order (a report of z and y types "zy").
    void Play(const std::vector<BootReport> &reports);

private:
    struct Display;
    explicit XTestKeyboard(Display *display);

    // The X key symbol for a keyboard usage code; 0 when there is none.
    static unsigned long KeysymOf(uint8_t usage);
    void Set(unsigned long keysym, bool down);

    Display *display_;
    std::mutex lock_;
    std::vector<unsigned long> held_; // in the order pressed
};

} // namespace readersim
