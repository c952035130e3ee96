/* The public header as a C program sees it: layouts, and one call of every
 * function through the header's own declarations. */
#include "korvel.h"

#include <stddef.h>
#include <stdio.h>

static int failures;

#define CHECK(cond)                                                   \
    do {                                                              \
        if (!(cond)) {                                                \
            fprintf(stderr, "%s:%d: %s\n", __FILE__, __LINE__, #cond); \
            ++failures;                                               \
        }                                                             \
    } while (0)

int main(void)
{
    /* Every function has the declared type. */
    int32_t (KORVEL_CALL *noArgs)(void) = RFID_OpenDevice;
    int32_t (KORVEL_CALL *text)(const char *, int32_t) = RFID_SetPrefix;
    int32_t (KORVEL_CALL *report)(const TKeybHIDReport *) = RFID_SetBeforeHidKeyboardReport;
    (void)noArgs;
    (void)text;
    (void)report;

    /* The configuration bits: preprocessor constants, one bit each, the
     * used ones together. */
#if (RFID_CFG_ENTER | RFID_CFG_UPPERCASE | RFID_CFG_LEAVE_AFTER_KEY | RFID_CFG_SOUND | RFID_CFG_MANAGER | \
     RFID_CFG_DECIMAL) != RFID_CFG_USED_BITS || RFID_CFG_USED_BITS != 0x3F
#error "configuration bits"
#endif
    CHECK((RFID_CFG_ENTER | RFID_CFG_UPPERCASE | RFID_CFG_SOUND | RFID_CFG_DECIMAL) == 0x2B);
    CHECK(RFID_CFG_LEAVE_AFTER_KEY == 0x04 && RFID_CFG_MANAGER == 0x10);

    CHECK(sizeof(TKeybHIDReport) == 8);
    CHECK(offsetof(TKeybHIDReport, Key6) == 7);
    CHECK(offsetof(TDeviceData, ProductStr) == sizeof(void *));
    CHECK(offsetof(TDeviceData, FactoryID) == 2 * sizeof(void *));
    CHECK(offsetof(TDeviceData, ProductionYear) == 2 * sizeof(void *) + 12);
    CHECK(offsetof(TDeviceData, Version) == 2 * sizeof(void *) + 16);
    CHECK(sizeof(TDeviceData) == (sizeof(void *) == 8 ? 40u : 32u));

    /* The buffer sizes callers need: preprocessor constants. */
#if RFID_CARD_CODE_SIZE != 21 || RFID_TEXT_SIZE != 9 || RFID_RW_DATA_SIZE != 63
#error "buffer sizes"
#endif
    {
        uint8_t code[RFID_CARD_CODE_SIZE];
        char text[RFID_TEXT_SIZE];
        char data[RFID_RW_DATA_SIZE];
        CHECK(sizeof code + sizeof text + sizeof data == 93);
    }

    /* Null pointers are refused without touching a device: with no reader
     * present, the raw channel answers -103 for them, not -8. */
    CHECK(RFID_GetDeviceData(NULL) == 0);
    CHECK(RFID_GetConfigBits(NULL) == 0);
    CHECK(RFID_GetPrefix(NULL) == 0);
    CHECK(RFID_RW_PutRawData(NULL, 5) == RFID_RW_IO_ERROR);
    CHECK(RFID_RW_GetRawData(NULL, NULL) == RFID_RW_IO_ERROR);

    if (failures == 0)
        printf("C header: all checks passed\n");
    return failures != 0;
}
