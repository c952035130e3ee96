#include "DeviceNotification.h"

#include <windows.h>
#include <dbt.h>

// MinGW-w64's hidsdi.h declares hid.dll's functions without C linkage.
extern "C" {
#include <hidsdi.h>
}

#include <cstddef>

TDeviceNotification::TDeviceNotification(HWND__ *window)
{
    DEV_BROADCAST_DEVICEINTERFACE_W filter{};
    static_assert(sizeof filter == 32 || sizeof(void *) == 8, "the filter is 32 bytes on 32-bit Windows");
    filter.dbcc_size = sizeof filter;
    filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    HidD_GetHidGuid(&filter.dbcc_classguid);
    FHandle = RegisterDeviceNotificationW(window, &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
}

TDeviceNotification::~TDeviceNotification()
{
    if (FHandle)
        UnregisterDeviceNotification(FHandle);
}

std::optional<TDeviceInterfaceEvent> ReadDeviceChange(uintptr_t wParam, intptr_t lParam)
{
    const auto *header = reinterpret_cast<const DEV_BROADCAST_HDR *>(lParam);
    if (!header || header->dbch_devicetype != DBT_DEVTYP_DEVICEINTERFACE)
        return std::nullopt;
    TDeviceInterfaceEvent event{wParam, {}};
    // The name runs to its NUL, within the size the header gives.
    const auto *interface = reinterpret_cast<const DEV_BROADCAST_DEVICEINTERFACE_W *>(header);
    constexpr size_t nameOffset = offsetof(DEV_BROADCAST_DEVICEINTERFACE_W, dbcc_name);
    if (header->dbch_size > nameOffset) {
        const size_t room = (header->dbch_size - nameOffset) / sizeof(wchar_t);
        for (size_t i = 0; i < room && interface->dbcc_name[i]; ++i)
            event.Name += interface->dbcc_name[i];
    }
    return event;
}
