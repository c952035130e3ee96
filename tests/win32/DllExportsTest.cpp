// Korvel.dll through its import library: the export table of the loaded
// image, and the answers of every export when no reader is attached (Wine's
// own HID devices are there and must be passed over).
#include "ExportTable.h"
#include "korvel.h"

#include <windows.h>
#include "os/win32/HidHeaders.h"
#include <setupapi.h>

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <map>
#include <string>

using korvel::win32test::Exports;

namespace {

HMODULE korvelModule()
{
    return GetModuleHandleA("Korvel.dll");
}

// The names of the export directory with their ordinals.
std::map<std::string, unsigned> exportedNames(HMODULE module, const IMAGE_EXPORT_DIRECTORY *&directory)
{
    const auto *base = reinterpret_cast<const uint8_t *>(module);
    const auto *dos = reinterpret_cast<const IMAGE_DOS_HEADER *>(base);
    const auto *nt = reinterpret_cast<const IMAGE_NT_HEADERS *>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY &entry = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
    directory = reinterpret_cast<const IMAGE_EXPORT_DIRECTORY *>(base + entry.VirtualAddress);
    const auto *names = reinterpret_cast<const DWORD *>(base + directory->AddressOfNames);
    const auto *ordinals = reinterpret_cast<const WORD *>(base + directory->AddressOfNameOrdinals);
    std::map<std::string, unsigned> result;
    for (DWORD i = 0; i < directory->NumberOfNames; ++i)
        result[reinterpret_cast<const char *>(base + names[i])] = directory->Base + ordinals[i];
    return result;
}

unsigned hidInterfaceCount()
{
    GUID guid;
    HidD_GetHidGuid(&guid);
    HDEVINFO list = SetupDiGetClassDevsA(&guid, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    if (list == INVALID_HANDLE_VALUE)
        return 0;
    unsigned count = 0;
    SP_DEVICE_INTERFACE_DATA data{};
    data.cbSize = sizeof data;
    while (SetupDiEnumDeviceInterfaces(list, nullptr, &guid, count, &data))
        ++count;
    SetupDiDestroyDeviceInfoList(list);
    return count;
}

} // namespace

TEST(ExportTable, NamesAtTheirOrdinals)
{
    HMODULE module = korvelModule();
    ASSERT_NE(module, nullptr);
    const IMAGE_EXPORT_DIRECTORY *directory = nullptr;
    const auto names = exportedNames(module, directory);
    std::map<std::string, unsigned> expected;
    for (const auto &e : Exports)
        expected[e.name] = e.ordinal;
    EXPECT_EQ(names, expected);
    EXPECT_STREQ(reinterpret_cast<const char *>(module) + directory->Name, "Korvel.dll");

    // Ordinal 1 carries no function.
    const auto *functions =
        reinterpret_cast<const DWORD *>(reinterpret_cast<const uint8_t *>(module) + directory->AddressOfFunctions);
    if (directory->Base <= 1 && 1 < directory->Base + directory->NumberOfFunctions) {
        EXPECT_EQ(functions[1 - directory->Base], 0u);
    }
}

TEST(ExportTable, OrdinalsAndNamesFindTheSameFunctions)
{
    HMODULE module = korvelModule();
    ASSERT_NE(module, nullptr);
    for (const auto &e : Exports) {
        const FARPROC byName = GetProcAddress(module, e.name);
        const FARPROC byOrdinal = GetProcAddress(module, MAKEINTRESOURCEA(e.ordinal));
        EXPECT_NE(byName, nullptr) << e.name;
        EXPECT_EQ(byName, byOrdinal) << e.name;
    }
    EXPECT_EQ(GetProcAddress(module, MAKEINTRESOURCEA(1)), nullptr);
    EXPECT_EQ(GetProcAddress(module, MAKEINTRESOURCEA(27)), nullptr);
    EXPECT_EQ(GetProcAddress(module, "RFID_OpenDevice@0"), nullptr); // no decorated names
}

TEST(Layout, DeviceDataRecord)
{
#if defined(_WIN32) && !defined(_WIN64)
    EXPECT_EQ(sizeof(TDeviceData), 32u);
    EXPECT_EQ(offsetof(TDeviceData, ProductStr), 4u);
    EXPECT_EQ(offsetof(TDeviceData, FactoryID), 8u);
    EXPECT_EQ(offsetof(TDeviceData, ProductionYear), 20u);
    EXPECT_EQ(offsetof(TDeviceData, Version), 24u);
#else
    EXPECT_EQ(sizeof(TDeviceData), 40u);
#endif
    EXPECT_EQ(sizeof(TKeybHIDReport), 8u);
}

TEST(NoReader, WineHasHidDevicesThatArePassedOver)
{
    EXPECT_GT(hidInterfaceCount(), 0u);
    EXPECT_EQ(RFID_OpenDevice(), 0);
}

TEST(NoReader, NotFoundLeavesNoMoreItemsAsTheLastError)
{
    SetLastError(0);
    EXPECT_EQ(RFID_OpenDevice(), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_MORE_ITEMS));
}

TEST(NoReader, ConfigurationFunctionsAnswerZeroAndWriteNothing)
{
    TDeviceData data;
    std::memset(&data, 0x5A, sizeof data);
    EXPECT_EQ(RFID_GetDeviceData(&data), 0);
    EXPECT_EQ(data.FactoryID, 0x5A5A5A5A);
    EXPECT_EQ(RFID_GetDeviceData(nullptr), 0);

    int32_t length = 77;
    uint8_t code[RFID_CARD_CODE_SIZE] = {};
    EXPECT_EQ(RFID_GetCardCode(&length, code), 0);
    EXPECT_EQ(length, 77);
    EXPECT_EQ(RFID_PlaySound(1), 0);

    int32_t value = -1;
    EXPECT_EQ(RFID_GetConfigBits(&value), 0);
    EXPECT_EQ(value, -1);
    EXPECT_EQ(RFID_SetConfigBits(0x09), 0);
    EXPECT_EQ(RFID_GetDeviceMode(&value), 0);
    EXPECT_EQ(value, -1);
    EXPECT_EQ(RFID_SetDeviceMode(1), 0);
    uint8_t enable = 0xAA;
    EXPECT_EQ(RFID_GetEnable(&enable), 0);
    EXPECT_EQ(enable, 0xAA);
    EXPECT_EQ(RFID_SetEnable(1), 0);

    TKeybHIDReport report;
    std::memset(&report, 0x33, sizeof report);
    const TKeybHIDReport before = report;
    EXPECT_EQ(RFID_GetBeforeHidKeyboardReport(&report), 0);
    EXPECT_EQ(RFID_GetAfterHidKeyboardReport(&report), 0);
    EXPECT_EQ(RFID_GetRemoveHidKeyboardReport(&report), 0);
    EXPECT_EQ(std::memcmp(&report, &before, sizeof report), 0);
    EXPECT_EQ(RFID_SetBeforeHidKeyboardReport(&report), 0);
    EXPECT_EQ(RFID_SetAfterHidKeyboardReport(&report), 0);
    EXPECT_EQ(RFID_SetRemoveHidKeyboardReport(&report), 0);

    char text[RFID_TEXT_SIZE] = "untouch";
    EXPECT_EQ(RFID_GetPrefix(text), 0);
    EXPECT_STREQ(text, "untouch");
    EXPECT_EQ(RFID_GetSufix(text), 0);
    EXPECT_STREQ(text, "untouch");
    EXPECT_EQ(RFID_SetPrefix("ab", 2), 0);
    EXPECT_EQ(RFID_SetSufix("cd", 2), 0);
}

TEST(NoReader, RawChannelAnswersNotPresent)
{
    EXPECT_EQ(RFID_RW_ConnectToUSBReader(), RFID_RW_NOT_PRESENT);
    EXPECT_EQ(RFID_RW_PutRawData("abcd", 5), RFID_RW_NOT_PRESENT);
    char data[RFID_RW_DATA_SIZE] = "untouched";
    uint32_t size = 5;
    EXPECT_EQ(RFID_RW_GetRawData(data, &size), RFID_RW_NOT_PRESENT);
    EXPECT_EQ(size, 0u);
    EXPECT_STREQ(data, "untouched");
    RFID_RW_DisconnectFromUSBReader();
    EXPECT_EQ(RFID_RW_ConnectToUSBReader(), RFID_RW_NOT_PRESENT);
}

TEST(NoReader, RawChannelRefusesNullBuffersBeforeLookingForTheReader)
{
    SetLastError(0);
    EXPECT_EQ(RFID_RW_GetRawData(nullptr, nullptr), RFID_RW_IO_ERROR);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    SetLastError(0);
    EXPECT_EQ(RFID_RW_PutRawData(nullptr, 5), RFID_RW_IO_ERROR); // not -8: no search was made
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}
