/* A plain C client that loads Korvel.dll at run time and reaches every
 * function by its ordinal, as older applications do; then unloads it and
 * loads it again. Prints "N passed, M failed". */
#include "korvel.h"

#include <windows.h>

#include <stdio.h>
#include <string.h>

typedef int32_t(KORVEL_CALL *NoArgument)(void);
typedef int32_t(KORVEL_CALL *IntPointer)(int32_t *);
typedef int32_t(KORVEL_CALL *RawGet)(char *, uint32_t *);
typedef int32_t(KORVEL_CALL *RawPut)(const char *, uint32_t);

#include "ClientChecks.h"

static const struct {
    const char *name;
    WORD ordinal;
} exports[] = {
    {"RFID_RW_AssignGetEvent", 2}, {"RFID_RW_GetRawData", 3}, {"RFID_RW_PutRawData", 4},
    {"RFID_RW_DisconnectFromUSBReader", 5}, {"RFID_RW_ConnectToUSBReader", 6}, {"RFID_GetCardCode", 7},
    {"RFID_PlaySound", 8}, {"RFID_GetSufix", 9}, {"RFID_SetSufix", 10}, {"RFID_GetPrefix", 11},
    {"RFID_SetPrefix", 12}, {"RFID_GetEnable", 13}, {"RFID_SetEnable", 14}, {"RFID_GetDeviceMode", 15},
    {"RFID_SetDeviceMode", 16}, {"RFID_GetConfigBits", 17}, {"RFID_SetConfigBits", 18},
    {"RFID_GetRemoveHidKeyboardReport", 19}, {"RFID_SetRemoveHidKeyboardReport", 20},
    {"RFID_GetAfterHidKeyboardReport", 21}, {"RFID_SetAfterHidKeyboardReport", 22},
    {"RFID_GetBeforeHidKeyboardReport", 23}, {"RFID_SetBeforeHidKeyboardReport", 24},
    {"RFID_GetDeviceData", 25}, {"RFID_OpenDevice", 26},
};

/* The function at an ordinal, as a plain code pointer. */
static void (*byOrdinal(HMODULE dll, WORD ordinal))(void)
{
    return (void (*)(void))GetProcAddress(dll, MAKEINTRESOURCEA(ordinal));
}

/* The library's window in this process (other programs may have theirs). */
static HWND libraryWindow(void)
{
    HWND window = NULL;
    while ((window = FindWindowExA(NULL, window, "PTS2Enumeration", "PTS2Enumeration")) != NULL) {
        DWORD process = 0;
        GetWindowThreadProcessId(window, &process);
        if (process == GetCurrentProcessId())
            return window;
    }
    return NULL;
}

int main(void)
{
    HMODULE dll = LoadLibraryA("Korvel.dll");
    CHECK(dll != NULL);
    if (!dll) {
        printf("%d passed, %d failed\n", passed, failed);
        return 1;
    }

    for (size_t i = 0; i < sizeof exports / sizeof exports[0]; ++i) {
        void (*named)(void) = (void (*)(void))GetProcAddress(dll, exports[i].name);
        CHECK(named != NULL && named == byOrdinal(dll, exports[i].ordinal));
    }
    CHECK(byOrdinal(dll, 1) == NULL);
    CHECK(byOrdinal(dll, 27) == NULL);

    {
        NoArgument openDevice = (NoArgument)byOrdinal(dll, 26);
        IntPointer getConfigBits = (IntPointer)byOrdinal(dll, 17);
        NoArgument connect = (NoArgument)byOrdinal(dll, 6);
        RawPut put = (RawPut)byOrdinal(dll, 4);
        RawGet get = (RawGet)byOrdinal(dll, 3);
        int32_t bits = -1;
        char data[RFID_RW_DATA_SIZE];
        uint32_t size = 9;

        CHECK(openDevice() == 0);
        CHECK(GetLastError() == ERROR_NO_MORE_ITEMS);
        CHECK(getConfigBits(&bits) == 0 && bits == -1);
        CHECK(connect() == RFID_RW_NOT_PRESENT);
        CHECK(put("ab", 3) == RFID_RW_NOT_PRESENT);
        CHECK(get(data, &size) == RFID_RW_NOT_PRESENT && size == 0);
    }

    /* The hidden window lives as long as the library. */
    CHECK(libraryWindow() != NULL);
    CHECK(FreeLibrary(dll));
    CHECK(GetModuleHandleA("Korvel.dll") == NULL);
    CHECK(libraryWindow() == NULL);

    dll = LoadLibraryA("Korvel.dll");
    CHECK(dll != NULL);
    if (dll) {
        NoArgument openDevice = (NoArgument)(void (*)(void))GetProcAddress(dll, "RFID_OpenDevice");
        CHECK(libraryWindow() != NULL);
        CHECK(openDevice != NULL && openDevice() == 0);
        CHECK(FreeLibrary(dll));
    }

    printf("%d passed, %d failed\n", passed, failed);
    return failed != 0;
}
