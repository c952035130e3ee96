// Device notifications on Windows: a window registered for the arrival and
// removal of device interfaces of the HID class (the class identifier from
// HidD_GetHidGuid), and what a WM_DEVICECHANGE message says.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

struct HWND__;

class TDeviceNotification {
public:
    // RegisterDeviceNotificationW with a device-interface filter of the HID
    // class and an empty name; WM_DEVICECHANGE then reaches `window`.
    explicit TDeviceNotification(HWND__ *window);
    ~TDeviceNotification(); // the registration is undone with the window's end
    TDeviceNotification(const TDeviceNotification &) = delete;
    TDeviceNotification &operator=(const TDeviceNotification &) = delete;

    bool Registered() const { return FHandle != nullptr; }

private:
    void *FHandle = nullptr;
};

struct TDeviceInterfaceEvent {
    uintptr_t Event;   // DBT_DEVICEARRIVAL, DBT_DEVICEREMOVECOMPLETE, ...
    std::wstring Name; // the interface's path (UTF-16, as the system hands it over)
};

// The event of a WM_DEVICECHANGE message whose parameter carries a header
// of device type 5 (device interface); nothing for any other.
std::optional<TDeviceInterfaceEvent> ReadDeviceChange(uintptr_t wParam, intptr_t lParam);
