#include "DeviceMonitor.h"

#include "DebugOutput.h"

#include <QSocketNotifier>

#include <libudev.h>

#include <cerrno>

void TDeviceMonitor::UdevUnref::operator()(udev *u) const
{
    udev_unref(u);
}

void TDeviceMonitor::MonitorUnref::operator()(udev_monitor *m) const
{
    udev_monitor_unref(m);
}

TDeviceMonitor::TDeviceMonitor(THandler handler, QObject *parent) : QObject(parent), FHandler(std::move(handler))
{
    const int saved = errno; // a failed registration is no library error
    FUdev.reset(udev_new());
    if (FUdev)
        FMonitor.reset(udev_monitor_new_from_netlink(FUdev.get(), "udev"));
    if (FMonitor && udev_monitor_filter_add_match_subsystem_devtype(FMonitor.get(), "hidraw", nullptr) >= 0 &&
        udev_monitor_enable_receiving(FMonitor.get()) >= 0) {
        FNotifier = new QSocketNotifier(udev_monitor_get_fd(FMonitor.get()), QSocketNotifier::Read, this);
        connect(FNotifier, &QSocketNotifier::activated, this, &TDeviceMonitor::Receive);
    } else {
        FMonitor.reset();
        OutputDebugString(QStringLiteral("No udev monitor: device changes are not followed"));
    }
    errno = saved;
}

TDeviceMonitor::~TDeviceMonitor() = default;

void TDeviceMonitor::Receive()
{
    // One event per activation; the notifier fires again while more wait.
    const std::unique_ptr<udev_device, decltype(&udev_device_unref)> device(
        udev_monitor_receive_device(FMonitor.get()), &udev_device_unref);
    if (!device)
        return;
    const auto text = [](const char *value) { return QString::fromLocal8Bit(value ? value : ""); };
    const TDeviceChange change{text(udev_device_get_action(device.get())),
                               text(udev_device_get_subsystem(device.get())),
                               text(udev_device_get_syspath(device.get()))};
    FHandler(change);
}
