/* A plain C client linked with Korvel's import library: every function is
 * resolved by name when the program is loaded, and answers as it must with
 * no reader attached. Prints "N passed, M failed". */
#include "korvel.h"

#include <windows.h>

#include <stdio.h>
#include <string.h>

#include "ClientChecks.h"

static void KORVEL_CALL onData(const char *Data, uint32_t Len)
{
    (void)Data;
    (void)Len;
}

int main(void)
{
    TDeviceData device;
    TKeybHIDReport report;
    int32_t value = -1;
    int32_t length = 5;
    uint8_t code[RFID_CARD_CODE_SIZE];
    uint8_t enable = 7;
    char text[RFID_TEXT_SIZE] = "same";
    char data[RFID_RW_DATA_SIZE];
    uint32_t size = 3;

    memset(&report, 0, sizeof report);
    CHECK(GetModuleHandleA("Korvel.dll") != NULL);
    CHECK(RFID_OpenDevice() == 0);
    CHECK(RFID_GetDeviceData(&device) == 0);
    CHECK(RFID_GetCardCode(&length, code) == 0 && length == 5);
    CHECK(RFID_PlaySound(2) == 0);
    CHECK(RFID_GetConfigBits(&value) == 0);
    CHECK(RFID_SetConfigBits(1) == 0);
    CHECK(RFID_GetDeviceMode(&value) == 0);
    CHECK(RFID_SetDeviceMode(0) == 0);
    CHECK(RFID_GetEnable(&enable) == 0 && enable == 7);
    CHECK(RFID_SetEnable(1) == 0);
    CHECK(RFID_GetBeforeHidKeyboardReport(&report) == 0);
    CHECK(RFID_SetBeforeHidKeyboardReport(&report) == 0);
    CHECK(RFID_GetAfterHidKeyboardReport(&report) == 0);
    CHECK(RFID_SetAfterHidKeyboardReport(&report) == 0);
    CHECK(RFID_GetRemoveHidKeyboardReport(&report) == 0);
    CHECK(RFID_SetRemoveHidKeyboardReport(&report) == 0);
    CHECK(RFID_GetPrefix(text) == 0 && strcmp(text, "same") == 0);
    CHECK(RFID_SetPrefix("ab", 2) == 0);
    CHECK(RFID_GetSufix(text) == 0 && strcmp(text, "same") == 0);
    CHECK(RFID_SetSufix("cd", 2) == 0);
    CHECK(RFID_RW_ConnectToUSBReader() == RFID_RW_NOT_PRESENT);
    CHECK(RFID_RW_PutRawData("x", 2) == RFID_RW_NOT_PRESENT);
    CHECK(RFID_RW_GetRawData(data, &size) == RFID_RW_NOT_PRESENT && size == 0);
    RFID_RW_DisconnectFromUSBReader();
    RFID_RW_AssignGetEvent(onData);
    RFID_RW_AssignGetEvent(NULL);
    Sleep(100); /* the receive thread ends before the process does (see the DLL's unload) */
    CHECK(RFID_RW_GetRawData(data, &size) == RFID_RW_NOT_PRESENT);

    printf("%d passed, %d failed\n", passed, failed);
    return failed != 0;
}
