/*
 * korvel.h - public interface of the Korvel reader access library.
 *
 * Korvel finds a USB RFID card reader (a HID keyboard with a second, raw
 * interface) among the machine's HID devices and gives access to its stored
 * configuration, its identity data and the code of the card held to it.
 *
 * Conventions of every configuration function (RFID_...):
 *   - each call is complete in itself: it takes the library's lock,
 *     reconnects to the reader, runs its commands and releases the lock, so
 *     calls from several threads run strictly one after another;
 *   - the result is 1 on success and 0 on failure;
 *   - with no reader (or one that cannot be opened) the result is 0 and no
 *     output is written;
 *   - after a failed transfer the outputs that were written are meaningless;
 *   - the library keeps no pointer to any caller buffer; the only pointers it
 *     hands out are the two strings of TDeviceData;
 *   - on failure the platform's last error (errno on Linux, GetLastError on
 *     Windows) tells why;
 *   - on 32-bit Windows every function is stdcall.
 *
 * Valid C (C99 and later) and C++.
 */
#ifndef KORVEL_H
#define KORVEL_H

#include <stdint.h>

#if defined(_WIN32) && !defined(_WIN64)
#  define KORVEL_CALL __stdcall
#else
#  define KORVEL_CALL
#endif

#if defined(_WIN32)
#  define KORVEL_API /* exports come from the module definition file */
#elif defined(KORVEL_BUILDING_LIBRARY)
#  define KORVEL_API __attribute__((visibility("default")))
#else
#  define KORVEL_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* One keyboard report of the reader (Before, After or Remove): a modifier
 * byte, a reserved byte and six HID keyboard usage codes (0 = no key).
 * The modifier bits run in the reverse of the HID boot-keyboard order:
 * bit 0 Right GUI, 1 Right Alt, 2 Right Shift, 3 Right Control, 4 Left GUI,
 * 5 Left Alt, 6 Left Shift, 7 Left Control. The library passes all eight
 * bytes unchanged. */
typedef struct TKeybHIDReport {
    uint8_t Modifier;
    uint8_t Reserved;
    uint8_t Key1;
    uint8_t Key2;
    uint8_t Key3;
    uint8_t Key4;
    uint8_t Key5;
    uint8_t Key6;
} TKeybHIDReport;

/* The reader's identity as RFID_GetDeviceData hands it out. The two strings
 * belong to the library: they are never null, and they stay valid only
 * until the next configuration call or until the library is unloaded, so
 * copy them at once. 32 bytes on 32-bit Windows, 40 on 64-bit Linux. */
typedef struct TDeviceData {
    const char *ManufacturerStr; /* manufacturer string, 8-bit text */
    const char *ProductStr;      /* product string, 8-bit text */
    int32_t FactoryID;           /* factory number */
    int32_t ProductionDay;       /* 1-31 */
    int32_t ProductionMonth;     /* 1-12 */
    int32_t ProductionYear;      /* four digits; 1899-12-30 for an invalid date */
    double Version;              /* firmware version from the product string */
} TDeviceData;

/* The layout is part of the interface: 32 bytes on 32-bit Windows, 40 on
 * 64-bit platforms (pointer-sized string fields). */
#if defined(__cplusplus)
#  define KORVEL_STATIC_ASSERT(c, m) static_assert(c, m)
#elif defined(__STDC_VERSION__) && __STDC_VERSION__ >= 201112L
#  define KORVEL_STATIC_ASSERT(c, m) _Static_assert(c, m)
#endif
#ifdef KORVEL_STATIC_ASSERT
KORVEL_STATIC_ASSERT(sizeof(TKeybHIDReport) == 8, "TKeybHIDReport must be 8 bytes");
KORVEL_STATIC_ASSERT(sizeof(TDeviceData) == 2 * sizeof(void *) + 24,
                     "TDeviceData must have no gaps");
#  if defined(_WIN32) && !defined(_WIN64)
KORVEL_STATIC_ASSERT(sizeof(TDeviceData) == 32, "TDeviceData must be 32 bytes on 32-bit Windows");
#  elif defined(__x86_64__) || defined(__aarch64__)
KORVEL_STATIC_ASSERT(sizeof(TDeviceData) == 40, "TDeviceData must be 40 bytes on 64-bit platforms");
#  endif
#  undef KORVEL_STATIC_ASSERT
#endif

/* Opens the reader: 1 when it is present and could be opened. Nothing later
 * depends on it; every function reconnects on its own. Ordinal 26. */
KORVEL_API int32_t KORVEL_CALL RFID_OpenDevice(void);

/* Fills *data with the identity strings, the firmware version, the factory
 * number and the production date. An invalid production date in the reader
 * reads as 1899-12-30 with result 1. A null pointer gives 0. Ordinal 25. */
KORVEL_API int32_t KORVEL_CALL RFID_GetDeviceData(TDeviceData *data);

/* The longest card code, in bytes: the size of RFID_GetCardCode's buffer. */
#define RFID_CARD_CODE_SIZE 21

/* Reads the code of the card in the field into code[0..*length-1]; code must
 * hold RFID_CARD_CODE_SIZE bytes. Firmware below 1.5 cannot report codes: result 0 with
 * *length 0 and nothing sent. From 1.5 the 5-byte form (*length 0 when all
 * five bytes are zero, meaning no card), from 1.7 the extended form of up to
 * 21 bytes. Ordinal 7. */
KORVEL_API int32_t KORVEL_CALL RFID_GetCardCode(int32_t *length, uint8_t *code);

/* Plays one of the reader's sounds; the low byte of sound is sent.
 * Ordinal 8. */
KORVEL_API int32_t KORVEL_CALL RFID_PlaySound(int32_t sound);

/* Bits of the configuration byte (RFID_GetConfigBits, RFID_SetConfigBits).
 * Each names what the reader does while the bit is set; bits 6 and 7 are
 * not used and written as 0. */
#define RFID_CFG_ENTER 0x01         /* Enter is typed after the card code */
#define RFID_CFG_UPPERCASE 0x02     /* letters of the code in upper case (clear: lower) */
#define RFID_CFG_LEAVE_AFTER_KEY 0x04 /* leave after key set until the card code is removed */
#define RFID_CFG_SOUND 0x08         /* sound on */
#define RFID_CFG_MANAGER 0x10       /* six 'E' characters are typed before the code */
#define RFID_CFG_DECIMAL 0x20       /* the code is typed in decimal (clear: hexadecimal) */
#define RFID_CFG_USED_BITS 0x3F     /* every bit that has a meaning */

/* Reads the configuration byte (0-255) into *bits: the RFID_CFG_... bits.
 * Ordinal 17. */
KORVEL_API int32_t KORVEL_CALL RFID_GetConfigBits(int32_t *bits);

/* Writes the configuration byte. Ordinal 18. */
KORVEL_API int32_t KORVEL_CALL RFID_SetConfigBits(uint8_t bits);

/* Reads the device mode (0-255) into *mode: 0 normal (keyboard) mode, any
 * other value advanced mode. Ordinal 15. */
KORVEL_API int32_t KORVEL_CALL RFID_GetDeviceMode(int32_t *mode);

/* Writes the device mode: 0 normal, 1 advanced. Ordinal 16. */
KORVEL_API int32_t KORVEL_CALL RFID_SetDeviceMode(uint8_t mode);

/* Reads the keyboard-output enable flag (the reader's raw byte; 0 = off).
 * Ordinal 13. */
KORVEL_API int32_t KORVEL_CALL RFID_GetEnable(uint8_t *enable);

/* Writes the keyboard-output enable flag, byte unchanged. Ordinal 14. */
KORVEL_API int32_t KORVEL_CALL RFID_SetEnable(uint8_t enable);

/* Keyboard reports sent before the card code (ordinals 23 get, 24 set),
 * after it (21, 22) and when the card is removed (19, 20). A set sends the
 * report in two halves; when the first half fails the second is not sent. */
KORVEL_API int32_t KORVEL_CALL RFID_GetBeforeHidKeyboardReport(TKeybHIDReport *report);
KORVEL_API int32_t KORVEL_CALL RFID_SetBeforeHidKeyboardReport(const TKeybHIDReport *report);
KORVEL_API int32_t KORVEL_CALL RFID_GetAfterHidKeyboardReport(TKeybHIDReport *report);
KORVEL_API int32_t KORVEL_CALL RFID_SetAfterHidKeyboardReport(const TKeybHIDReport *report);
KORVEL_API int32_t KORVEL_CALL RFID_GetRemoveHidKeyboardReport(TKeybHIDReport *report);
KORVEL_API int32_t KORVEL_CALL RFID_SetRemoveHidKeyboardReport(const TKeybHIDReport *report);

/* The size of RFID_GetPrefix's and RFID_GetSufix's buffer: 8 characters
 * and a terminating zero. */
#define RFID_TEXT_SIZE 9

/* Reads the prefix (ordinal 11) or suffix (ordinal 9) typed around the card
 * code into text: 0 to 8 characters and a terminating zero, so text must
 * hold RFID_TEXT_SIZE bytes. Untouched on failure. */
KORVEL_API int32_t KORVEL_CALL RFID_GetPrefix(char *text);
KORVEL_API int32_t KORVEL_CALL RFID_GetSufix(char *text);

/* Writes the prefix (ordinal 12) or suffix (ordinal 10) from the count bytes
 * at text (no terminating zero needed; count <= 0 clears it). The reader
 * keeps at most 6 characters: characters of code 32 or less are trimmed
 * from both ends, a-z become A-Z, the rest past the sixth is dropped. */
KORVEL_API int32_t KORVEL_CALL RFID_SetPrefix(const char *text, int32_t count);
KORVEL_API int32_t KORVEL_CALL RFID_SetSufix(const char *text, int32_t count);

/* ---- Raw data channel (the reader's advanced mode, interface 1) --------
 *
 * Reports of 65 bytes: report ID 0, a length byte and 63 data bytes. The
 * channel is opened on demand and stays open after a failed transfer; it is
 * closed by RFID_RW_DisconnectFromUSBReader and whenever any HID device
 * leaves the system, and opened again whenever one arrives (if the reader's
 * raw interface is present). These functions take no library lock.
 *
 * The data bytes one report carries: */
#define RFID_RW_DATA_SIZE 63

/* Results: */
#define RFID_RW_OK 0                   /* success */
#define RFID_RW_CALLBACK_ASSIGNED (-6) /* GetRawData refused: reports go to the callback */
#define RFID_RW_NOT_PRESENT (-8)       /* the reader's raw interface is not present */
#define RFID_RW_IO_ERROR (-103)        /* open failed, or a transfer failed or timed out */

/* Callback for received reports: Data points to the Len data bytes of one
 * input report followed by a zero byte (never null; with Len 0 it points to
 * a zero byte) and is valid only during the call. On Linux it runs on the
 * library's own delivery thread (on Windows on the thread that loaded the
 * library, inside its message processing), one report at a time, in the
 * order received. */
typedef void (KORVEL_CALL *TRFID_RW_GetDataEvent)(const char *Data, uint32_t Len);

/* Opens the raw interface: 0, -8 or -103. Ordinal 6. */
KORVEL_API int32_t KORVEL_CALL RFID_RW_ConnectToUSBReader(void);

/* Closes the raw interface; the next transfer opens it again. Ordinal 5. */
KORVEL_API void KORVEL_CALL RFID_RW_DisconnectFromUSBReader(void);

/* Sends one output report: the length byte is the low 8 bits of Size, the
 * data area carries the first Size - 1 bytes of Data (at most
 * RFID_RW_DATA_SIZE) and 0xFF after them. Waits at most 100 ms. 0 on
 * success, else -8 or -103; a null Data with a Size above 1 gives -103
 * before the reader is touched. Ordinal 4. */
KORVEL_API int32_t KORVEL_CALL RFID_RW_PutRawData(const char *Data, uint32_t Size);

/* Polls one input report for at most 10 ms: copies its data bytes (at most
 * RFID_RW_DATA_SIZE, so Data must hold that many) and sets *Size to their
 * number. No report in time: 0 with *Size 0 and Data untouched. With a
 * callback assigned: -6. Else -8 or -103 (also, at once, for a null
 * pointer). Ordinal 3. */
KORVEL_API int32_t KORVEL_CALL RFID_RW_GetRawData(char *Data, uint32_t *Size);

/* Assigns the receive callback (replacing an earlier one) and starts the
 * receive thread, or with NULL clears it and lets the thread end.
 * Ordinal 2. */
KORVEL_API void KORVEL_CALL RFID_RW_AssignGetEvent(TRFID_RW_GetDataEvent GetDataEvent);

#ifdef __cplusplus
} /* extern "C" */
#endif

#endif /* KORVEL_H */
