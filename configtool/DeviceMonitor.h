// Follows the HID interfaces of the machine: a libudev monitor on the
// hidraw subsystem (one node per HID interface), read from the Qt event
// loop. Every event, of any HID interface and of any kind, is handed on.
#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <memory>

class QSocketNotifier;
struct udev;
struct udev_monitor;

// One device event as the monitor delivers it.
struct TDeviceChange {
    QString Action;    // "add", "remove", ...
    QString Subsystem; // "hidraw" for a HID interface
    QString SysPath;
};

class TDeviceMonitor : public QObject {
    Q_OBJECT

public:
    using THandler = std::function<void(const TDeviceChange &change)>;

    // Without udev (or a monitor) the tool simply does not follow plugging.
    explicit TDeviceMonitor(THandler handler, QObject *parent = nullptr);
    ~TDeviceMonitor() override;

    bool Active() const { return FNotifier != nullptr; }

private:
    void Receive();

    struct UdevUnref {
        void operator()(udev *u) const;
    };
    struct MonitorUnref {
        void operator()(udev_monitor *m) const;
    };

    THandler FHandler;
    std::unique_ptr<udev, UdevUnref> FUdev;
    std::unique_ptr<udev_monitor, MonitorUnref> FMonitor;
    QSocketNotifier *FNotifier = nullptr; // child of this object
};
