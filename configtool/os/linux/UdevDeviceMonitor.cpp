// The device monitor on Linux: a libudev monitor on the hidraw subsystem
// (one node per HID interface), read from the Qt event loop.
#include "DeviceMonitor.h"

#include "DebugOutput.h"
#include "Udev.h"

#include <QSocketNotifier>

#include <cerrno>

namespace {

namespace udev = korvel::os::linux_udev;

class TUdevDeviceMonitor final : public TDeviceMonitor {
public:
    TUdevDeviceMonitor(TDeviceChangeHandler handler, QObject *parent)
        : TDeviceMonitor(parent), FHandler(std::move(handler))
    {
        const int saved = errno; // a failed registration is no library error
        FUdev.reset(udev_new());
        if (FUdev)
            FMonitor.reset(udev_monitor_new_from_netlink(FUdev.get(), "udev"));
        if (FMonitor && udev_monitor_filter_add_match_subsystem_devtype(FMonitor.get(), "hidraw", nullptr) >= 0 &&
            udev_monitor_enable_receiving(FMonitor.get()) >= 0) {
            FNotifier = new QSocketNotifier(udev_monitor_get_fd(FMonitor.get()), QSocketNotifier::Read, this);
            connect(FNotifier, &QSocketNotifier::activated, this, [this] { Receive(); });
        } else {
            FMonitor.reset();
            DebugOutput(QStringLiteral("No udev monitor: device changes are not followed"));
        }
        errno = saved;
    }

    bool Active() const override { return FNotifier != nullptr; }

private:
    void Receive()
    {
        // One event per activation; the notifier fires again while more wait.
        const udev::UdevDevice device(udev_monitor_receive_device(FMonitor.get()));
        if (!device)
            return;
        const auto text = [](const char *value) { return QString::fromLocal8Bit(value ? value : ""); };
        const QString subsystem = text(udev_device_get_subsystem(device.get()));
        FHandler({text(udev_device_get_action(device.get())), subsystem == QLatin1String("hidraw"),
                  text(udev_device_get_syspath(device.get()))});
    }

    TDeviceChangeHandler FHandler;
    udev::Udev FUdev;
    udev::UdevMonitor FMonitor;
    QSocketNotifier *FNotifier = nullptr; // child of this object
};

} // namespace

TDeviceMonitor *CreateDeviceMonitor(TDeviceChangeHandler handler, QObject *parent)
{
    return new TUdevDeviceMonitor(std::move(handler), parent);
}
