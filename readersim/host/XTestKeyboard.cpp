#include "XTestKeyboard.h"

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <algorithm>
#include <chrono>
#include <thread>

namespace readersim {

// Xlib's Display, kept out of the header.
struct XTestKeyboard::Display {
    ::Display *x;
};

std::unique_ptr<XTestKeyboard> XTestKeyboard::Connect(const std::string &name)
{
    ::Display *x = XOpenDisplay(name.empty() ? nullptr : name.c_str());
    if (!x)
        return nullptr;
    int event, error, major, minor;
    if (!XTestQueryExtension(x, &event, &error, &major, &minor)) {
        XCloseDisplay(x);
        return nullptr;
    }
    return std::unique_ptr<XTestKeyboard>(new XTestKeyboard(new Display{x}));
}

XTestKeyboard::XTestKeyboard(Display *display) : display_(display) {}

XTestKeyboard::~XTestKeyboard()
{
    for (unsigned long keysym : held_)
        Set(keysym, false);
    XFlush(display_->x);
    XCloseDisplay(display_->x);
    delete display_;
}

unsigned long XTestKeyboard::KeysymOf(uint8_t usage)
{
    if (usage >= 0x04 && usage <= 0x1D)
        return XK_a + (usage - 0x04);
    if (usage >= 0x1E && usage <= 0x26)
        return XK_1 + (usage - 0x1E);
    if (usage >= 0x3A && usage <= 0x45)
        return XK_F1 + (usage - 0x3A);
    if (usage >= 0x59 && usage <= 0x61)
        return XK_KP_1 + (usage - 0x59);
    if (usage >= 0x68 && usage <= 0x73)
        return XK_F13 + (usage - 0x68);
    switch (usage) {
    case 0x27: return XK_0;
    case 0x28: return XK_Return;
    case 0x29: return XK_Escape;
    case 0x2A: return XK_BackSpace;
    case 0x2B: return XK_Tab;
    case 0x2C: return XK_space;
    case 0x2D: return XK_minus;
    case 0x2E: return XK_equal;
    case 0x2F: return XK_bracketleft;
    case 0x30: return XK_bracketright;
    case 0x31: return XK_backslash;
    case 0x33: return XK_semicolon;
    case 0x34: return XK_apostrophe;
    case 0x35: return XK_grave;
    case 0x36: return XK_comma;
    case 0x37: return XK_period;
    case 0x38: return XK_slash;
    case 0x39: return XK_Caps_Lock;
    case 0x46: return XK_Print;
    case 0x47: return XK_Scroll_Lock;
    case 0x48: return XK_Pause;
    case 0x49: return XK_Insert;
    case 0x4A: return XK_Home;
    case 0x4B: return XK_Prior;
    case 0x4C: return XK_Delete;
    case 0x4D: return XK_End;
    case 0x4E: return XK_Next;
    case 0x4F: return XK_Right;
    case 0x50: return XK_Left;
    case 0x51: return XK_Down;
    case 0x52: return XK_Up;
    case 0x53: return XK_Num_Lock;
    case 0x54: return XK_KP_Divide;
    case 0x55: return XK_KP_Multiply;
    case 0x56: return XK_KP_Subtract;
    case 0x57: return XK_KP_Add;
    case 0x58: return XK_KP_Enter;
    case 0x62: return XK_KP_0;
    case 0x63: return XK_KP_Decimal;
    case 0x65: return XK_Menu;
    case 0x67: return XK_KP_Equal;
    default: return 0;
    }
}

void XTestKeyboard::Set(unsigned long keysym, bool down)
{
    const KeyCode code = XKeysymToKeycode(display_->x, keysym);
    if (code == 0)
        return; // the server's layout has no such key
    XTestFakeKeyEvent(display_->x, code, down ? True : False, CurrentTime);
}

void XTestKeyboard::Play(const std::vector<BootReport> &reports)
{
    static constexpr unsigned long modifierKeys[8] = {XK_Control_L, XK_Shift_L, XK_Alt_L, XK_Super_L,
                                                      XK_Control_R, XK_Shift_R, XK_Alt_R, XK_Super_R};
    std::lock_guard guard(lock_);
    for (const BootReport &report : reports) {
        // What the report holds: modifiers first, then its keys in the
        // report's order, as the system's keyboard driver reports them.
        std::vector<unsigned long> wanted;
        const auto want = [&wanted](unsigned long keysym) {
            if (keysym && std::find(wanted.begin(), wanted.end(), keysym) == wanted.end())
                wanted.push_back(keysym);
        };
        for (int bit = 0; bit < 8; ++bit)
            if (report.modifiers & (1u << bit))
                want(modifierKeys[bit]);
        for (uint8_t usage : report.keys)
            want(KeysymOf(usage));
        // Let go first, in the order pressed, then press what is new.
        for (unsigned long keysym : std::vector<unsigned long>(held_))
            if (std::find(wanted.begin(), wanted.end(), keysym) == wanted.end()) {
                Set(keysym, false);
                held_.erase(std::find(held_.begin(), held_.end(), keysym));
            }
        for (unsigned long keysym : wanted)
            if (std::find(held_.begin(), held_.end(), keysym) == held_.end()) {
                Set(keysym, true);
                held_.push_back(keysym);
            }
        XFlush(display_->x);
        // A short gap, as between reports on the bus, so that clients see
        // every transition.
        std::this_thread::sleep_for(std::chrono::milliseconds(4));
    }
    XSync(display_->x, False);
}

} // namespace readersim
