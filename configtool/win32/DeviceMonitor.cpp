#include "DeviceMonitor.h"

#include "os/win32/DeviceNotification.h"

#include <windows.h>
#include <dbt.h>

TDeviceMonitor::TDeviceMonitor(TForm *form, TDeviceChangeHandler handler)
    : TComponent(form), FHandler(std::move(handler)),
      FNotification(std::make_unique<TDeviceNotification>(form->Handle()))
{
    form->AddMessageHandler(WM_DEVICECHANGE, [this](const TMessage &message, intptr_t &result) {
        const std::optional<TDeviceInterfaceEvent> event = ReadDeviceChange(message.WParam, message.LParam);
        if (!event)
            return false; // events without a device-interface header are not looked at
        const TString action = event->Event == DBT_DEVICEARRIVAL         ? L"add"
                               : event->Event == DBT_DEVICEREMOVECOMPLETE ? L"remove"
                                                                          : L"change";
        FHandler({action, true, event->Name});
        result = TRUE;
        return true;
    });
}

TDeviceMonitor::~TDeviceMonitor() = default;

bool TDeviceMonitor::Active() const
{
    return FNotification->Registered();
}

TDeviceMonitor *CreateDeviceMonitor(TDeviceChangeHandler handler, TForm *form)
{
    return new TDeviceMonitor(form, std::move(handler)); // owned by the form
}
