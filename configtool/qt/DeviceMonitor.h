// Follows the HID interfaces of the machine: every event of any HID
// interface, of any kind, is handed on, on the user-interface thread. The
// system's own notifications stand behind it (os/<system>/).
#pragma once

#include <QObject>
#include <QString>

#include <functional>

// One device event as the monitor delivers it.
struct TDeviceChange {
    QString Action;            // "add", "remove", ...
    bool HidInterface = false; // the event concerns a HID device interface
    QString Path;              // the system's name of the interface
};

using TDeviceChangeHandler = std::function<void(const TDeviceChange &change)>;

class TDeviceMonitor : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

    // False when the system gives no notifications: the tool then simply
    // does not follow plugging.
    virtual bool Active() const = 0;
};

// The system's monitor, a child of `parent`; never null.
TDeviceMonitor *CreateDeviceMonitor(TDeviceChangeHandler handler, QObject *parent);
