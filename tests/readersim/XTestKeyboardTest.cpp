// The reader's keyboard reports typed through XTest into a real X server
// (run under tests/e2e/run-in-xvfb.sh): the text a focused window receives.
#include "XTestKeyboard.h"

#include <gtest/gtest.h> // before Xlib, whose macros (None, ...) clash with it

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <poll.h>

#include <chrono>
#include <string>
#include <vector>

using namespace readersim;

namespace {

constexpr auto Deadline = std::chrono::seconds(20);
constexpr uint8_t LeftShift = 0x02; // HID order
constexpr uint8_t A = 0x04, B = 0x05, C = 0x06, Y = 0x1C, Z = 0x1D;

// A focused window on its own connection that collects the typed text.
class FocusedWindow {
public:
    FocusedWindow() : x_(XOpenDisplay(nullptr))
    {
        if (!x_)
            return;
        window_ = XCreateSimpleWindow(x_, DefaultRootWindow(x_), 0, 0, 200, 100, 0, 0, 0);
        XSelectInput(x_, window_, KeyPressMask | StructureNotifyMask | FocusChangeMask);
        XMapWindow(x_, window_);
        mapped_ = waitFor(MapNotify);
        if (mapped_) {
            XSetInputFocus(x_, window_, RevertToParent, CurrentTime);
            focused_ = waitFor(FocusIn);
        }
    }
    ~FocusedWindow()
    {
        if (x_)
            XCloseDisplay(x_);
    }
    bool ready() const { return x_ && mapped_ && focused_; }

    // The text typed until it holds `length` characters, or the deadline.
    std::string typed(size_t length)
    {
        std::string text;
        const auto end = std::chrono::steady_clock::now() + Deadline;
        while (text.size() < length && next(end)) {
            if (event_.type != KeyPress)
                continue;
            char buffer[8];
            const int n = XLookupString(&event_.xkey, buffer, sizeof buffer, nullptr, nullptr);
            text.append(buffer, n > 0 ? static_cast<size_t>(n) : 0);
        }
        return text;
    }

private:
    bool next(std::chrono::steady_clock::time_point end)
    {
        while (!XPending(x_)) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
            pollfd ready{ConnectionNumber(x_), POLLIN, 0};
            if (left.count() <= 0 || ::poll(&ready, 1, static_cast<int>(left.count())) <= 0)
                return false;
        }
        XNextEvent(x_, &event_);
        return true;
    }
    bool waitFor(int type)
    {
        const auto end = std::chrono::steady_clock::now() + Deadline;
        while (next(end))
            if (event_.type == type)
                return true;
        return false;
    }

    Display *x_;
    Window window_ = 0;
    XEvent event_{};
    bool mapped_ = false, focused_ = false;
};

TEST(XTestKeyboard, TypesTheKeysOfOneReportInTheReportsOrder)
{
    const struct {
        const char *name;
        std::vector<BootReport> reports;
        std::string text;
    } cases[] = {
        {"two keys", {{0, {Z, Y}}, {}}, "zy"},
        {"three keys", {{0, {C, A, B}}, {}}, "cab"},
        {"a key twice", {{0, {B, B}}, {}}, "b"},
        {"shifted", {{LeftShift, {Z, A}}, {}}, "ZA"},
        {"held key, then one more", {{0, {Y}}, {0, {Y, Z}}, {}}, "yz"},
    };
    FocusedWindow window;
    ASSERT_TRUE(window.ready()) << "no focused window on DISPLAY (run under tests/e2e/run-in-xvfb.sh)";
    const auto keyboard = XTestKeyboard::Connect();
    ASSERT_TRUE(keyboard) << "no XTest on DISPLAY";
    for (const auto &c : cases) {
        keyboard->Play(c.reports);
        EXPECT_EQ(window.typed(c.text.size()), c.text) << c.name;
    }
}

} // namespace
