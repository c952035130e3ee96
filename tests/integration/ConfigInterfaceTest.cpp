// The twenty configuration functions of libkorvel.so, through the real
// Linux code path (libudev, hidraw ioctls) against the virtual reader.
#include "BuildVendor.h"
#include "Eventually.h"
#include "SharedBus.h"
#include "korvel.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>
#include <unistd.h>

using korvel::testing::BusTest;
using readersim::Transfer;

namespace {

using ConfigInterface = BusTest;

TEST_F(ConfigInterface, IdentityOfTheReader)
{
    readersim::ReaderSettings s;
    s.factoryId = 4242;
    s.productionYear = 24;
    s.productionMonth = 2;
    s.productionDay = 29;
    firmware->setSettings(s);

    ASSERT_EQ(RFID_OpenDevice(), 1);
    TDeviceData data{};
    ASSERT_EQ(RFID_GetDeviceData(&data), 1);
    EXPECT_STREQ(data.ManufacturerStr, "Korvel Project");
    EXPECT_STREQ(data.ProductStr, "USB RFID Reader Ver: 1.7");
    EXPECT_EQ(data.Version, 1.7);
    EXPECT_EQ(data.FactoryID, 4242);
    EXPECT_EQ(data.ProductionYear, 2024);
    EXPECT_EQ(data.ProductionMonth, 2);
    EXPECT_EQ(data.ProductionDay, 29);
}

TEST_F(ConfigInterface, NoReaderFailsEverythingWithNoDevice)
{
    bus->unplugReader();
    bus->plugMouse();
    EXPECT_EQ(RFID_OpenDevice(), 0);
    EXPECT_EQ(errno, ENODEV);
    int32_t length = 99;
    uint8_t code[21];
    EXPECT_EQ(RFID_GetCardCode(&length, code), 0);
    EXPECT_EQ(length, 99);
    char prefix[9] = "keep";
    EXPECT_EQ(RFID_GetPrefix(prefix), 0);
    EXPECT_STREQ(prefix, "keep");
    EXPECT_EQ(RFID_SetConfigBits(1), 0);
}

TEST_F(ConfigInterface, SettingsRoundTrip)
{
    ASSERT_EQ(RFID_SetConfigBits(0x2B), 1);
    ASSERT_EQ(RFID_SetDeviceMode(1), 1);
    ASSERT_EQ(RFID_SetEnable(0), 1);
    int32_t bits = 0, mode = 0;
    uint8_t enable = 9;
    ASSERT_EQ(RFID_GetConfigBits(&bits), 1);
    ASSERT_EQ(RFID_GetDeviceMode(&mode), 1);
    ASSERT_EQ(RFID_GetEnable(&enable), 1);
    EXPECT_EQ(bits, 0x2B);
    EXPECT_EQ(mode, 1);
    EXPECT_EQ(enable, 0);

    const TKeybHIDReport before{0x40, 0x00, 0x04, 0x05, 0, 0, 0, 0};
    const TKeybHIDReport after{0x00, 0x07, 0x28, 0, 0, 0, 0, 0x2C};
    const TKeybHIDReport remove{0x81, 0x00, 0xE0, 0xE7, 0xB0, 0xDD, 0xA4, 0x01};
    ASSERT_EQ(RFID_SetBeforeHidKeyboardReport(&before), 1);
    ASSERT_EQ(RFID_SetAfterHidKeyboardReport(&after), 1);
    ASSERT_EQ(RFID_SetRemoveHidKeyboardReport(&remove), 1);
    TKeybHIDReport back{};
    ASSERT_EQ(RFID_GetBeforeHidKeyboardReport(&back), 1);
    EXPECT_EQ(0, std::memcmp(&back, &before, 8));
    ASSERT_EQ(RFID_GetAfterHidKeyboardReport(&back), 1);
    EXPECT_EQ(0, std::memcmp(&back, &after, 8));
    ASSERT_EQ(RFID_GetRemoveHidKeyboardReport(&back), 1);
    EXPECT_EQ(0, std::memcmp(&back, &remove, 8));

    ASSERT_EQ(RFID_SetPrefix("  ab c ", 7), 1);
    ASSERT_EQ(RFID_SetSufix("abcdefgh", 8), 1);
    char text[9];
    ASSERT_EQ(RFID_GetPrefix(text), 1);
    EXPECT_STREQ(text, "AB C");
    ASSERT_EQ(RFID_GetSufix(text), 1);
    EXPECT_STREQ(text, "ABCDEF");

    ASSERT_EQ(RFID_PlaySound(25), 1);
    const auto events = firmware->events();
    EXPECT_NE(std::find(events.begin(), events.end(), "sound 25"), events.end());
}

TEST_F(ConfigInterface, FeatureReportsAreNineBytesWithReportIdZero)
{
    ASSERT_EQ(RFID_SetConfigBits(0x0A), 1);
    const auto log = firmware->transfers();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].bytes, (std::vector<uint8_t>{0, 3, 0x0A, 0, 0, 0, 0, 0, 0}));
}

TEST_F(ConfigInterface, CardCodeFormFollowsTheFirmwareVersion)
{
    struct Case {
        const char *version;
        int32_t result;
        int32_t length;
    };
    for (const Case &c : {Case{"1.4", 0, 0}, Case{"1.6", 1, 5}, Case{"1.7", 1, 10}, Case{"2.0", 1, 10}}) {
        readersim::ReaderIdentity identity;
        identity.product = std::string("USB RFID Reader Ver: ") + c.version;
        firmware = &korvel::testing::SharedBus::freshReader(identity);
        firmware->tapCard({0x12, 0xAB, 0x00, 4, 5, 6, 7, 8, 9, 10});
        firmware->clearLogs();
        int32_t length = -1;
        uint8_t code[21] = {};
        EXPECT_EQ(RFID_GetCardCode(&length, code), c.result) << c.version;
        EXPECT_EQ(length, c.length) << c.version;
        if (c.length > 0) {
            EXPECT_EQ(code[1], 0xAB);
        }
        if (c.result == 0) {
            EXPECT_TRUE(firmware->transfers().empty()) << "firmware 1.4 must not be asked";
        }
    }
}

TEST_F(ConfigInterface, FailedTransferReportsBrokenPipeAndTheNextCallRecovers)
{
    if (!bus->refusesFeatureWrites())
        GTEST_SKIP() << "this bus cannot refuse a set-feature";
    firmware->failNextTransfers(1);
    EXPECT_EQ(RFID_SetConfigBits(0x01), 0);
    EXPECT_EQ(errno, EPIPE);
    EXPECT_EQ(RFID_SetConfigBits(0x01), 1);
    EXPECT_EQ(firmware->settings().confByte, 0x01);
}

TEST_F(ConfigInterface, FirstHalfFailureLeavesTheOldSecondHalf)
{
    if (!bus->refusesFeatureWrites())
        GTEST_SKIP() << "this bus cannot refuse a set-feature";
    const TKeybHIDReport report{1, 2, 3, 4, 5, 6, 7, 8};
    firmware->failNextTransfers(1);
    EXPECT_EQ(RFID_SetBeforeHidKeyboardReport(&report), 0);
    EXPECT_EQ(firmware->transfers().size(), 1u);
    EXPECT_EQ(firmware->settings().before, readersim::KeyboardReport{});
}

TEST_F(ConfigInterface, ReaderDroppingOffTheBusMidOperation)
{
    firmware->dropAfter(2); // factory ID read works, the date request fails
    TDeviceData data{};
    EXPECT_EQ(RFID_GetDeviceData(&data), 0);
    // The reader has left the bus: the next call finds nothing.
    EXPECT_TRUE(korvel::testing::eventually([this] { return !bus->readerPlugged(); }))
        << "the reader never left the bus";
    EXPECT_EQ(RFID_OpenDevice(), 0);
    EXPECT_EQ(errno, ENODEV);
}

TEST_F(ConfigInterface, LongerDeclaredFeatureReportIsHandled)
{
    bus->unplugReader();
    firmware->declareFeatureLength(65);
    bus->plugReader(*firmware);
    ASSERT_EQ(RFID_SetConfigBits(0x22), 1);
    int32_t bits = 0;
    ASSERT_EQ(RFID_GetConfigBits(&bits), 1);
    EXPECT_EQ(bits, 0x22);
    for (const Transfer &t : firmware->transfers())
        EXPECT_EQ(t.bytes.size(), 65u);
}

TEST_F(ConfigInterface, InvalidProductionDateReadsAsEpoch)
{
    readersim::ReaderSettings s;
    s.productionYear = 24;
    s.productionMonth = 13;
    s.productionDay = 1;
    firmware->setSettings(s);
    TDeviceData data{};
    ASSERT_EQ(RFID_GetDeviceData(&data), 1);
    EXPECT_EQ(data.ProductionYear, 1899);
    EXPECT_EQ(data.ProductionMonth, 12);
    EXPECT_EQ(data.ProductionDay, 30);
}

TEST_F(ConfigInterface, ReaderIsFoundBesideAMouse)
{
    bus->plugMouse();
    EXPECT_EQ(RFID_OpenDevice(), 1);
}

TEST_F(ConfigInterface, DebugLinesOnlyWithKorvelDebug)
{
    ::testing::internal::CaptureStderr();
    RFID_OpenDevice();
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");

    setenv("KORVEL_DEBUG", "1", 1);
    ::testing::internal::CaptureStderr();
    RFID_OpenDevice();
    const std::string out = ::testing::internal::GetCapturedStderr();
    unsetenv("KORVEL_DEBUG");
    EXPECT_EQ(out.rfind("Find success HID: \\\\?\\hid#vid_" + korvel::testing::BuildVendorHex() + "&pid_0001&mi_00#hidraw", 0), 0u) << out;
    if (!bus->refusesFeatureWrites())
        return; // the refused set-feature below cannot happen on this bus

    firmware->failNextTransfers(1);
    setenv("KORVEL_DEBUG", "1", 1);
    ::testing::internal::CaptureStderr();
    RFID_SetEnable(1);
    const std::string failed = ::testing::internal::GetCapturedStderr();
    unsetenv("KORVEL_DEBUG");
    EXPECT_NE(failed.find("\nBroken pipe\n"), std::string::npos) << failed;
}

} // namespace
