#include "ConfigExports.h"
#include "FirmwarePlatform.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace korvel;
using readersim::Transfer;

namespace {

class ConfigExportsTest : public ::testing::Test {
protected:
    readersim::ReaderFirmware firmware;
    korvel::testing::FirmwarePlatform platform{firmware};
    ConfigExports exports{platform};

    void useProduct(const std::string &product) { platform.product = product; }
    void unplug() { platform.paths = {korvel::testing::MousePath}; }
};

TEST_F(ConfigExportsTest, NoReaderWritesNoOutput)
{
    unplug();
    EXPECT_EQ(exports.OpenDevice(), 0);
    int32_t length = 77, bits = 77;
    uint8_t code[21] = {9};
    char text[9] = "keep";
    uint8_t enable = 77;
    ::TKeybHIDReport report{1, 2, 3, 4, 5, 6, 7, 8};
    ::TDeviceData data{};
    EXPECT_EQ(exports.GetCardCode(&length, code), 0);
    EXPECT_EQ(exports.GetConfigBits(&bits), 0);
    EXPECT_EQ(exports.GetDeviceMode(&bits), 0);
    EXPECT_EQ(exports.GetEnable(&enable), 0);
    EXPECT_EQ(exports.GetPrefix(text), 0);
    EXPECT_EQ(exports.GetSufix(text), 0);
    EXPECT_EQ(exports.GetBeforeHidKeyboardReport(&report), 0);
    EXPECT_EQ(exports.GetDeviceData(&data), 0);
    EXPECT_EQ(exports.SetConfigBits(1) + exports.SetDeviceMode(1) + exports.SetEnable(1) +
                  exports.PlaySound(0) + exports.SetPrefix("a", 1) + exports.SetSufix("a", 1) +
                  exports.SetAfterHidKeyboardReport(&report),
              0);
    EXPECT_EQ(length, 77);
    EXPECT_EQ(bits, 77);
    EXPECT_EQ(enable, 77);
    EXPECT_STREQ(text, "keep");
    EXPECT_EQ(report.Key6, 8);
    EXPECT_EQ(data.ProductStr, nullptr);
    EXPECT_TRUE(firmware.transfers().empty());
    EXPECT_EQ(platform.lastError, korvel::testing::ErrNotFound);
}

TEST_F(ConfigExportsTest, OldFirmwareCannotReportCodes)
{
    useProduct("Reader Ver: 1.4");
    firmware.tapCard({1, 2, 3, 4, 5});
    int32_t length = 77;
    uint8_t code[21] = {};
    EXPECT_EQ(exports.GetCardCode(&length, code), 0);
    EXPECT_EQ(length, 0);
    EXPECT_TRUE(firmware.transfers().empty());
}

TEST_F(ConfigExportsTest, FirmwareOneSixUsesTheShortForm)
{
    useProduct("Reader Ver: 1.6");
    firmware.tapCard({0x12, 0xAB, 0, 0, 1, 0xFF, 0xFF});
    int32_t length = 0;
    uint8_t code[21] = {};
    ASSERT_EQ(exports.GetCardCode(&length, code), 1);
    EXPECT_EQ(length, 5);
    EXPECT_EQ(std::vector<uint8_t>(code, code + 6), (std::vector<uint8_t>{0x12, 0xAB, 0, 0, 1, 0}));
    EXPECT_EQ(firmware.transfers()[0].bytes[2], 6); // item 6
}

TEST_F(ConfigExportsTest, ShortFormAllZeroMeansNoCard)
{
    useProduct("Reader Ver: 1.5");
    firmware.removeCard();
    int32_t length = 77;
    uint8_t code[21] = {};
    EXPECT_EQ(exports.GetCardCode(&length, code), 1);
    EXPECT_EQ(length, 0);
}

TEST_F(ConfigExportsTest, FirmwareOneSevenAndTwoUseTheExtendedForm)
{
    for (const char *product : {"Reader Ver: 1.7", "Reader Ver: 2.0"}) {
        useProduct(product);
        firmware.tapCard({1, 2, 3, 4, 5, 6, 7, 8, 9, 10});
        firmware.clearLogs();
        int32_t length = 0;
        uint8_t code[21] = {};
        ASSERT_EQ(exports.GetCardCode(&length, code), 1) << product;
        EXPECT_EQ(length, 10);
        EXPECT_EQ(code[9], 10);
        EXPECT_EQ(code[10], 0);
        EXPECT_EQ(firmware.transfers().size(), 6u) << product; // length + two chunks
    }
}

TEST_F(ConfigExportsTest, ReportedLengthAboveTwentyOneIsCut)
{
    firmware.tapCard(std::vector<uint8_t>(21, 0x42));
    firmware.reportCodeLength(200);
    int32_t length = 0;
    uint8_t buffer[32];
    std::memset(buffer, 0xCC, sizeof buffer);
    ASSERT_EQ(exports.GetCardCode(&length, buffer), 1);
    EXPECT_EQ(length, 21);
    EXPECT_EQ(buffer[20], 0x42);
    EXPECT_EQ(buffer[21], 0xCC); // nothing written past the 21 bytes
}

TEST_F(ConfigExportsTest, DeviceData)
{
    readersim::ReaderSettings s;
    s.factoryId = 1234;
    s.productionYear = 24;
    s.productionMonth = 2;
    s.productionDay = 29;
    firmware.setSettings(s);
    ::TDeviceData data{};
    ASSERT_EQ(exports.GetDeviceData(&data), 1);
    EXPECT_STREQ(data.ManufacturerStr, "Korvel Project");
    EXPECT_STREQ(data.ProductStr, "USB RFID Reader Ver: 1.7");
    EXPECT_EQ(data.FactoryID, 1234);
    EXPECT_EQ(data.ProductionYear, 2024);
    EXPECT_EQ(data.ProductionMonth, 2);
    EXPECT_EQ(data.ProductionDay, 29);
    EXPECT_EQ(data.Version, 1.7);
}

TEST_F(ConfigExportsTest, InvalidProductionDateReadsAsEpochWithSuccess)
{
    readersim::ReaderSettings s;
    s.productionYear = 24;
    s.productionMonth = 13;
    s.productionDay = 1;
    firmware.setSettings(s);
    ::TDeviceData data{};
    ASSERT_EQ(exports.GetDeviceData(&data), 1);
    EXPECT_EQ(data.ProductionYear, 1899);
    EXPECT_EQ(data.ProductionMonth, 12);
    EXPECT_EQ(data.ProductionDay, 30);
}

TEST_F(ConfigExportsTest, DeviceDataStopsAfterAFailedFactoryId)
{
    ::TDeviceData data{};
    data.ProductionYear = -5;
    data.Version = -1;
    platform.failTransfers.insert(1); // the factory-id answer
    EXPECT_EQ(exports.GetDeviceData(&data), 0);
    EXPECT_NE(data.ProductStr, nullptr);
    EXPECT_EQ(data.ProductionYear, -5);
    EXPECT_EQ(data.Version, -1);
}

TEST_F(ConfigExportsTest, EmptyStringsAreNeverNull)
{
    platform.manufacturerFails = true;
    ::TDeviceData data{};
    ASSERT_EQ(exports.GetDeviceData(&data), 1);
    ASSERT_NE(data.ManufacturerStr, nullptr);
    EXPECT_STREQ(data.ManufacturerStr, "");
}

TEST_F(ConfigExportsTest, NullPointersAreRefusedWithoutTransfers)
{
    EXPECT_EQ(exports.GetDeviceData(nullptr), 0);
    EXPECT_EQ(exports.GetConfigBits(nullptr), 0);
    EXPECT_EQ(exports.GetEnable(nullptr), 0);
    EXPECT_EQ(exports.GetPrefix(nullptr), 0);
    EXPECT_EQ(exports.SetPrefix(nullptr, 3), 0);
    EXPECT_EQ(exports.SetBeforeHidKeyboardReport(nullptr), 0);
    int32_t length;
    EXPECT_EQ(exports.GetCardCode(&length, nullptr), 0);
    EXPECT_TRUE(firmware.transfers().empty());
    EXPECT_EQ(platform.lastError, korvel::testing::ErrInvalid);
    // A null text with a count of 0 is simply the empty prefix.
    EXPECT_EQ(exports.SetPrefix(nullptr, 0), 1);
}

TEST_F(ConfigExportsTest, PrefixRoundTripAndInnerZeros)
{
    ASSERT_EQ(exports.SetPrefix("ab", 2), 1);
    char text[16];
    std::memset(text, 0x7F, sizeof text);
    ASSERT_EQ(exports.GetPrefix(text), 1);
    EXPECT_EQ(std::string(text, 4), std::string("AB\0\x7F", 4)); // three bytes written

    ASSERT_EQ(exports.SetPrefix("a\0b", 3), 1);
    EXPECT_EQ(firmware.settings().prefix, (std::array<uint8_t, 6>{'A', 0, 'B', 0, 0, 0}));

    ASSERT_EQ(exports.SetSufix("xyz-not-used", 0), 1); // count 0 clears
    EXPECT_EQ(firmware.settings().sufix, (std::array<uint8_t, 6>{}));
    ASSERT_EQ(exports.SetSufix("xy", -4), 1);
    EXPECT_EQ(firmware.settings().sufix, (std::array<uint8_t, 6>{}));
}

TEST_F(ConfigExportsTest, PrefixBufferUntouchedWhenTheReadFails)
{
    char text[9] = "keep";
    platform.failTransfers.insert(0);
    EXPECT_EQ(exports.GetPrefix(text), 0);
    EXPECT_STREQ(text, "keep");
}

TEST_F(ConfigExportsTest, ConfigBitsAndDeviceModeShareOneRead)
{
    ASSERT_EQ(exports.SetConfigBits(0x2B), 1);
    ASSERT_EQ(exports.SetDeviceMode(2), 1);
    int32_t bits = -1, mode = -1;
    ASSERT_EQ(exports.GetConfigBits(&bits), 1);
    ASSERT_EQ(exports.GetDeviceMode(&mode), 1);
    EXPECT_EQ(bits, 0x2B);
    EXPECT_EQ(mode, 2);
}

TEST_F(ConfigExportsTest, ConfigByteIsZeroExtended)
{
    ASSERT_EQ(exports.SetConfigBits(0xFF), 1);
    int32_t bits = -1;
    ASSERT_EQ(exports.GetConfigBits(&bits), 1);
    EXPECT_EQ(bits, 0xFF);
}

TEST_F(ConfigExportsTest, EveryCallReconnects)
{
    int32_t bits;
    exports.GetConfigBits(&bits);
    exports.SetConfigBits(1);
    exports.OpenDevice();
    EXPECT_EQ(platform.opened.size(), 3u);
    EXPECT_EQ(platform.openDevices, 1); // the previous handle is closed before each reopen
}

TEST_F(ConfigExportsTest, ReportsRoundTripAllEightBytes)
{
    const ::TKeybHIDReport report{0x42, 0x99, 0x04, 0x05, 0xE0, 0xE7, 0xB0, 0xA4};
    ASSERT_EQ(exports.SetRemoveHidKeyboardReport(&report), 1);
    ::TKeybHIDReport back{};
    ASSERT_EQ(exports.GetRemoveHidKeyboardReport(&back), 1);
    EXPECT_EQ(0, std::memcmp(&report, &back, sizeof report));
}

} // namespace
