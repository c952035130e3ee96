#include "HiddenWindow.h"

#include "Win32Logic.h"

#include <dbt.h>

#include <cstddef>
#include <mutex>
#include <stdexcept>

namespace korvel::win32 {

static_assert(sizeof(DeviceInterfaceBroadcast) == sizeof(DEV_BROADCAST_DEVICEINTERFACE_W));
static_assert(offsetof(DeviceInterfaceBroadcast, dbcc_devicetype) == offsetof(DEV_BROADCAST_DEVICEINTERFACE_W, dbcc_devicetype));
static_assert(offsetof(DeviceInterfaceBroadcast, dbcc_classguid) == offsetof(DEV_BROADCAST_DEVICEINTERFACE_W, dbcc_classguid));
#if defined(_WIN32) && !defined(_WIN64)
static_assert(HiddenWindowExtraBytes == 8 && HandlerObjectWord == 4);
#endif

namespace {

// Held while the class is registered and a window created.
std::mutex HiddenWindowLock;

// Default handling in the window's own character set: the class is an ANSI
// one, and DefWindowProcW would read its creation record's ANSI name as
// wide text (a garbled window name).
LRESULT defaultHandling(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return IsWindowUnicode(window) ? DefWindowProcW(window, message, wParam, lParam)
                                   : DefWindowProcA(window, message, wParam, lParam);
}

[[noreturn]] void fail(const char *pattern)
{
    throw std::runtime_error(withSystemText(pattern, systemErrorText(GetLastError())));
}

} // namespace

LRESULT CALLBACK HiddenWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    const auto code = reinterpret_cast<HandlerCode>(GetWindowLongPtrW(window, HandlerCodeWord));
    if (!code) // still being created: not bound yet
        return defaultHandling(window, message, wParam, lParam);
    void *object = reinterpret_cast<void *>(GetWindowLongPtrW(window, HandlerObjectWord));
    try {
        code(object, {message, wParam, lParam});
    } catch (...) {
        // Nothing may unwind through the system's message dispatch.
    }
    // The handler sets no result: a hand-off counts as processed, and every
    // other message also gets the default handling (so the window never
    // holds up the end of a session, say).
    return message == WM_COPYDATA ? TRUE : defaultHandling(window, message, wParam, lParam);
}

HWND AllocateHiddenWindow(HINSTANCE module, const char *className, HandlerCode code, void *object)
{
    std::lock_guard guard(HiddenWindowLock);
    WNDCLASSA existing{};
    const bool registered = GetClassInfoA(module, className, &existing) != FALSE;
    if (!registered || existing.lpfnWndProc != HiddenWindowProc) {
        if (registered)
            UnregisterClassA(className, module);
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = HiddenWindowProc;
        windowClass.cbWndExtra = HiddenWindowExtraBytes;
        windowClass.hInstance = module;
        windowClass.lpszClassName = className;
        if (!RegisterClassA(&windowClass))
            fail(RegisterClassFailure);
    }
    HWND window = CreateWindowExA(WS_EX_TOOLWINDOW, className, className, WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                  module, nullptr);
    if (!window) {
        // No class may be left behind whose procedure lives in a module
        // that a failed load is about to unmap.
        const DWORD error = GetLastError();
        UnregisterClassA(className, module);
        SetLastError(error);
        fail(CreateWindowFailure);
    }
    // The object first, so that the window never sees code without it.
    SetWindowLongPtrW(window, HandlerObjectWord, reinterpret_cast<LONG_PTR>(object));
    SetWindowLongPtrW(window, HandlerCodeWord, reinterpret_cast<LONG_PTR>(code));
    return window;
}

HiddenWindow::HiddenWindow(HINSTANCE module, std::function<void(const os::WindowMessage &)> handler)
    : handler_(std::move(handler)), module_(module)
{
    window_ = AllocateHiddenWindow(module_, HiddenWindowClass, &HiddenWindow::dispatch, this);
    ownerThread_ = GetCurrentThreadId();
    // Arrival and removal of HID interfaces; without it the channel simply
    // does not follow plugging.
    DeviceInterfaceBroadcast filter = deviceInterfaceFilter(toGuid(hidGuid()));
    notification_.reset(RegisterDeviceNotificationW(window_, &filter, DEVICE_NOTIFY_WINDOW_HANDLE));
}

HiddenWindow::~HiddenWindow()
{
    shutdown();
}

void HiddenWindow::dispatch(void *object, const os::WindowMessage &message)
{
    auto *self = static_cast<HiddenWindow *>(object);
    if (!self->closed_)
        self->handler_(message);
}

bool HiddenWindow::sendMessage(const os::WindowMessage &message)
{
    if (closed_)
        return false;
    SendMessageW(window_, message.Msg, message.WParam, message.LParam);
    return true;
}

void HiddenWindow::shutdown()
{
    if (closed_.exchange(true))
        return;
    LastErrorGuard keep;
    notification_.reset();
    if (GetCurrentThreadId() == ownerThread_) {
        // Release the threads waiting in a hand-off (now ignored), then the
        // window and the class, whose procedure is about to go away.
        MSG pending;
        PeekMessageW(&pending, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
        DestroyWindow(window_);
        UnregisterClassA(HiddenWindowClass, module_);
    } else {
        // Only the owning thread may destroy the window: leave it to the
        // system's default procedure and let that thread close it.
        SetWindowLongPtrW(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&DefWindowProcW));
        PostMessageW(window_, WM_CLOSE, 0, 0);
    }
}

} // namespace korvel::win32
