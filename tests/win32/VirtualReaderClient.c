/* Korvel.dll against the virtual reader through Wine's own HID stack: run
 * inside "readersim run" (scripts/test-win32 does), where Wine's HID bus
 * reads the virtual bus's hidraw nodes. SetupAPI lists the reader's two
 * interfaces, and the configuration and raw functions reach the reader.
 * Prints "N passed, M failed". */
#include "korvel.h"

#include <windows.h>
#include <hidsdi.h>
#include <setupapi.h>

#include <stdio.h>
#include <string.h>

#include "ClientChecks.h"

typedef int32_t(KORVEL_CALL *NoArgument)(void);
typedef int32_t(KORVEL_CALL *IntPointer)(int32_t *);
typedef int32_t(KORVEL_CALL *ByteArgument)(uint8_t);
typedef int32_t(KORVEL_CALL *DeviceData)(TDeviceData *);

/* How many HID interfaces SetupAPI lists whose path holds `part`. */
static int interfacesWith(const char *part)
{
    GUID guid;
    HidD_GetHidGuid(&guid);
    HDEVINFO list = SetupDiGetClassDevsA(&guid, NULL, NULL, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    if (list == INVALID_HANDLE_VALUE)
        return 0;
    int count = 0;
    SP_DEVICE_INTERFACE_DATA data;
    data.cbSize = sizeof data;
    for (DWORD i = 0; SetupDiEnumDeviceInterfaces(list, NULL, &guid, i, &data); ++i) {
        DWORD storage[256];
        SP_DEVICE_INTERFACE_DETAIL_DATA_A *detail = (SP_DEVICE_INTERFACE_DETAIL_DATA_A *)storage;
        detail->cbSize = sizeof *detail;
        if (SetupDiGetDeviceInterfaceDetailA(list, &data, detail, sizeof storage, NULL, NULL)) {
            CharLowerA(detail->DevicePath);
            count += strstr(detail->DevicePath, part) != NULL;
        }
    }
    SetupDiDestroyDeviceInfoList(list);
    return count;
}

static void (*function(HMODULE dll, const char *name))(void)
{
    return (void (*)(void))GetProcAddress(dll, name);
}

int main(void)
{
    char reader[32];
    snprintf(reader, sizeof reader, "vid_%04x&pid_0001&mi_0", (unsigned)KORVEL_VENDOR_ID);
    /* Wine's HID bus adds the devices it finds after its start: wait for
     * them, within a generous deadline. */
    ULONGLONG deadline = GetTickCount64() + 30000;
    while (interfacesWith(reader) < 2 && GetTickCount64() < deadline)
        Sleep(50);
    CHECK(interfacesWith(reader) == 2);

    HMODULE dll = LoadLibraryA("Korvel.dll");
    CHECK(dll != NULL);
    if (dll) {
        NoArgument openDevice = (NoArgument)function(dll, "RFID_OpenDevice");
        DeviceData getDeviceData = (DeviceData)function(dll, "RFID_GetDeviceData");
        IntPointer getConfigBits = (IntPointer)function(dll, "RFID_GetConfigBits");
        ByteArgument setConfigBits = (ByteArgument)function(dll, "RFID_SetConfigBits");
        NoArgument connect = (NoArgument)function(dll, "RFID_RW_ConnectToUSBReader");
        TDeviceData device;
        int32_t bits = -1, changed = -1;
        memset(&device, 0, sizeof device);

        CHECK(openDevice() == 1);
        CHECK(getDeviceData(&device) == 1);
        CHECK(device.ProductStr != NULL && strstr(device.ProductStr, "USB RFID Reader") != NULL);
        CHECK(getConfigBits(&bits) == 1 && bits >= 0 && bits <= 0xFF);
        CHECK(setConfigBits((uint8_t)(bits ^ 1)) == 1);
        CHECK(getConfigBits(&changed) == 1 && changed == (bits ^ 1));
        CHECK(setConfigBits((uint8_t)bits) == 1);
        CHECK(connect() == RFID_RW_OK);
        CHECK(FreeLibrary(dll));
    }
    printf("%d passed, %d failed\n", passed, failed);
    return failed != 0;
}
