// The library's hidden window on Windows: a tool window of the class
// "PTS2Enumeration" that belongs to the thread that created it (the thread
// that loaded the library), registered for arrival and removal of HID
// interfaces, with every message it receives passed to one handler.
#pragma once

#include "../HidPlatform.h"
#include "Win32Support.h"

#include <atomic>
#include <functional>

namespace korvel::win32 {

inline constexpr const char *HiddenWindowClass = "PTS2Enumeration";

// The two words of the window's extra bytes: word 0 the handler's code,
// word 4 (on 32-bit Windows) the object it is bound to.
inline constexpr int HandlerCodeWord = 0;
inline constexpr int HandlerObjectWord = static_cast<int>(sizeof(LONG_PTR));
inline constexpr int HiddenWindowExtraBytes = 2 * static_cast<int>(sizeof(LONG_PTR));

using HandlerCode = void (*)(void *object, const os::WindowMessage &message);

// The window procedure of the class: default handling while word 0 is
// zero, else the bound handler.
LRESULT CALLBACK HiddenWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Registers the class for `module` when it is missing or has another window
// procedure, creates the window and binds it to `code` and `object`. Throws
// std::runtime_error with the system's text when either step fails.
HWND AllocateHiddenWindow(HINSTANCE module, const char *className, HandlerCode code, void *object);

class HiddenWindow final : public os::MessageWindow {
public:
    HiddenWindow(HINSTANCE module, std::function<void(const os::WindowMessage &)> handler);
    ~HiddenWindow() override;
    HiddenWindow(const HiddenWindow &) = delete;
    HiddenWindow &operator=(const HiddenWindow &) = delete;

    // SendMessageW: handled on the window's thread before it returns.
    bool sendMessage(const os::WindowMessage &message) override;
    void shutdown() override;

    HWND handle() const { return window_; }

private:
    // The handler's code as word 0 holds it.
    static void dispatch(void *object, const os::WindowMessage &message);

    struct NotificationCloser {
        void operator()(void *registration) const
        {
            LastErrorGuard keep;
            UnregisterDeviceNotification(registration);
        }
    };

    std::function<void(const os::WindowMessage &)> handler_;
    HINSTANCE module_;
    HWND window_ = nullptr;
    DWORD ownerThread_ = 0;
    std::unique_ptr<void, NotificationCloser> notification_;
    std::atomic<bool> closed_{false};
};

} // namespace korvel::win32
