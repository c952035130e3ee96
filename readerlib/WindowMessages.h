// The window messages and records of the library's hidden window, with the
// layouts of their Windows originals so that one handler serves every
// platform.
#pragma once

#include <cstdint>

namespace korvel {

namespace wm {
inline constexpr uint32_t CopyData = 0x4A;      // WM_COPYDATA
inline constexpr uint32_t DeviceChange = 0x219; // WM_DEVICECHANGE
} // namespace wm

namespace dbt {
inline constexpr uintptr_t DeviceArrival = 0x8000;        // DBT_DEVICEARRIVAL
inline constexpr uintptr_t DeviceRemoveComplete = 0x8004; // DBT_DEVICEREMOVECOMPLETE
inline constexpr uint32_t DevTypDeviceInterface = 5;      // DBT_DEVTYP_DEVICEINTERFACE
} // namespace dbt

struct Guid {
    uint32_t Data1;
    uint16_t Data2;
    uint16_t Data3;
    uint8_t Data4[8];
    bool operator==(const Guid &) const = default;
};
static_assert(sizeof(Guid) == 16);

// The HID device-interface class.
inline constexpr Guid HidClassGuid = {0x4d1e55b2, 0xf16f, 0x11cf, {0x88, 0xcb, 0x00, 0x11, 0x11, 0x00, 0x00, 0x30}};

// COPYDATASTRUCT
struct CopyDataRecord {
    uintptr_t dwData;
    uint32_t cbData;
    const void *lpData;
};

// DEV_BROADCAST_DEVICEINTERFACE_W: device type at byte 4, class at byte 12.
struct DeviceInterfaceBroadcast {
    uint32_t dbcc_size;
    uint32_t dbcc_devicetype;
    uint32_t dbcc_reserved;
    Guid dbcc_classguid;
    char16_t dbcc_name[2];
};
static_assert(sizeof(DeviceInterfaceBroadcast) == 32);

} // namespace korvel
