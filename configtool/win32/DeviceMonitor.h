// Follows the HID interfaces of the machine on Windows: the form's window
// registered for HID device-interface notifications (RegisterDeviceNotificationW
// with HidD_GetHidGuid); every WM_DEVICECHANGE with a device-interface header
// is handed on, whatever its kind. The Qt binding has a DeviceMonitor.h of
// its own with the same names.
#pragma once

#include "Forms.h"

#include <functional>
#include <memory>

class TDeviceNotification;

// One device event as the monitor delivers it.
struct TDeviceChange {
    TString Action;            // "add", "remove" or "change"
    bool HidInterface = false; // the event concerns a HID device interface
    TString Path;              // the system's name of the interface
};

using TDeviceChangeHandler = std::function<void(const TDeviceChange &change)>;

class TDeviceMonitor : public TComponent {
public:
    TDeviceMonitor(TForm *form, TDeviceChangeHandler handler);
    ~TDeviceMonitor() override;

    // False when the system gives no notifications: the tool then simply
    // does not follow plugging.
    bool Active() const;

private:
    TDeviceChangeHandler FHandler;
    std::unique_ptr<TDeviceNotification> FNotification;
};

// The form's monitor, owned by it; never null.
TDeviceMonitor *CreateDeviceMonitor(TDeviceChangeHandler handler, TForm *form);
