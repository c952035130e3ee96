#include "FirmwarePlatform.h"
#include "HidApi.h"

#include <gtest/gtest.h>

using namespace korvel;
using korvel::testing::FirmwarePlatform;

namespace {

class HidApiTest : public ::testing::Test {
protected:
    readersim::ReaderFirmware firmware;
    FirmwarePlatform platform{firmware};
    THidApi hid{platform};

    std::string pathWith(const std::string &ids, const std::string &tail = "")
    {
        return "\\\\?\\hid#" + ids + "#7&1a2b3c&0&0000#{4d1e55b2-f16f-11cf-88cb-001111000030}" + tail;
    }
};

TEST_F(HidApiTest, PicksInterfaceZeroOfTheReader)
{
    ASSERT_TRUE(hid.Connect(korvel::testing::BuildVendorId, 1));
    EXPECT_EQ(hid.DevIdentStr, korvel::testing::ReaderPath0);
    EXPECT_EQ(platform.debugLines.front(), "Find success HID: " + korvel::testing::ReaderPath0);
    EXPECT_EQ(hid.Capabilities.FeatureReportByteLength, 9);
}

TEST_F(HidApiTest, InterfaceOneAndOtherDevicesArePassedOver)
{
    platform.paths = {korvel::testing::ReaderPath1, korvel::testing::MousePath};
    EXPECT_FALSE(hid.Connect(korvel::testing::BuildVendorId, 1));
    EXPECT_EQ(platform.lastError, korvel::testing::ErrNotFound);
    EXPECT_TRUE(platform.opened.empty());
}

TEST_F(HidApiTest, PathWithoutMiIsInterfaceZero)
{
    const std::string single = pathWith("vid_" + korvel::testing::BuildVendorHex() + "&pid_0001");
    platform.paths = {single};
    platform.readerPaths = {single};
    ASSERT_TRUE(hid.Connect(korvel::testing::BuildVendorId, 1));
    EXPECT_EQ(hid.DevIdentStr, single);
}

TEST_F(HidApiTest, FirstMatchInEnumerationOrderWins)
{
    const std::string second = pathWith("vid_" + korvel::testing::BuildVendorHex() + "&pid_0001&mi_00");
    platform.paths = {korvel::testing::ReaderPath0, second};
    ASSERT_TRUE(hid.Connect(korvel::testing::BuildVendorId, 1));
    EXPECT_EQ(hid.DevIdentStr, korvel::testing::ReaderPath0);
}

TEST_F(HidApiTest, KeyboardTailIsCutBeforeOpening)
{
    const std::string base = pathWith("vid_" + korvel::testing::BuildVendorHex() + "&pid_0001&mi_00");
    platform.paths = {base + "\\kbd"};
    platform.readerPaths = {base};
    ASSERT_TRUE(hid.Connect(korvel::testing::BuildVendorId, 1));
    EXPECT_EQ(platform.opened.back(), base);
    EXPECT_EQ(platform.debugLines.front(), "Find success HID: " + base);
}

TEST_F(HidApiTest, UpperCaseKeyboardTailIsKept)
{
    const std::string path = pathWith("vid_" + korvel::testing::BuildVendorHex() + "&pid_0001&mi_00", "\\KBD");
    platform.paths = {path};
    platform.readerPaths = {path};
    ASSERT_TRUE(hid.Connect(korvel::testing::BuildVendorId, 1));
    EXPECT_EQ(platform.opened.back(), path);
}

TEST_F(HidApiTest, ListFailureFailsConnect)
{
    platform.listFails = true;
    EXPECT_FALSE(hid.Connect(korvel::testing::BuildVendorId, 1));
}

TEST_F(HidApiTest, OpenAndCapabilityFailuresWriteTheirDebugLines)
{
    platform.openFails = true;
    EXPECT_FALSE(hid.Connect(korvel::testing::BuildVendorId, 1));
    EXPECT_EQ(platform.debugLines.back(), "Failed: OpenDeviceHandle: error 13");
    EXPECT_EQ(hid.DevHandle, nullptr);

    platform.openFails = false;
    platform.capsFail = true;
    EXPECT_FALSE(hid.Connect(korvel::testing::BuildVendorId, 1));
    EXPECT_EQ(platform.debugLines.back(), "Failed: HidD_GetPreparsedData: error 32");
}

TEST_F(HidApiTest, VersionFromTheEndOfTheProductString)
{
    EXPECT_EQ(VersionFromProduct("USB RFID Reader Ver: 1.8"), 1.8);
    EXPECT_EQ(VersionFromProduct("Reader 2.0"), 2.0);
    EXPECT_EQ(VersionFromProduct("1x5"), 1.5); // the middle character is not examined
    EXPECT_EQ(VersionFromProduct("17"), 0.0);
    EXPECT_EQ(VersionFromProduct("Reader 1.a"), 0.0);
    EXPECT_EQ(VersionFromProduct("Reader"), 0.0);
    EXPECT_EQ(VersionFromProduct("Ver: 1.7"), 1.7); // exactly the threshold value
}

TEST_F(HidApiTest, MissingManufacturerStillConnects)
{
    platform.manufacturerFails = true;
    platform.product = "Reader Ver: 1.6";
    ASSERT_TRUE(hid.Connect(korvel::testing::BuildVendorId, 1));
    EXPECT_EQ(hid.Manufacturer, "");
    EXPECT_EQ(hid.Product, "Reader Ver: 1.6");
    EXPECT_EQ(hid.Version, 1.6);
}

TEST_F(HidApiTest, MissingProductKeepsTheOldOneWithVersionZero)
{
    ASSERT_TRUE(hid.Connect(korvel::testing::BuildVendorId, 1));
    platform.productFails = true;
    ASSERT_TRUE(hid.Connect(korvel::testing::BuildVendorId, 1));
    EXPECT_EQ(hid.Product, "USB RFID Reader Ver: 1.7");
    EXPECT_EQ(hid.Version, 0.0);
}

TEST_F(HidApiTest, EveryTransferIsFollowedByAPause)
{
    ASSERT_TRUE(hid.Connect(korvel::testing::BuildVendorId, 1));
    std::vector<uint8_t> report(9, 0);
    EXPECT_TRUE(hid.SetFeatureReport(report));
    firmware.failNextTransfers(1);
    EXPECT_FALSE(hid.GetFeatureReport(report));
    EXPECT_EQ(platform.pauses, (std::vector<unsigned>{10, 10}));
}

TEST_F(HidApiTest, FailedTransferClosesAndTheNextOneReconnects)
{
    ASSERT_TRUE(hid.Connect(korvel::testing::BuildVendorId, 1));
    std::vector<uint8_t> report(9, 0);
    firmware.failNextTransfers(1);
    EXPECT_FALSE(hid.SetFeatureReport(report));
    EXPECT_EQ(hid.DevHandle, nullptr);
    EXPECT_EQ(platform.debugLines.back(), "error 32"); // a failed write reports the system text
    EXPECT_EQ(platform.openDevices, 0);

    const size_t opens = platform.opened.size();
    EXPECT_TRUE(hid.GetFeatureReport(report));
    EXPECT_EQ(platform.opened.size(), opens + 1);
}

TEST_F(HidApiTest, ReconnectFailsWithoutTransferWhenTheReaderIsGone)
{
    ASSERT_TRUE(hid.Connect(korvel::testing::BuildVendorId, 1));
    std::vector<uint8_t> report(9, 0);
    firmware.failNextTransfers(1);
    EXPECT_FALSE(hid.SetFeatureReport(report));
    platform.paths = {korvel::testing::MousePath};
    const size_t transfers = firmware.transfers().size();
    EXPECT_FALSE(hid.GetFeatureReport(report));
    EXPECT_EQ(firmware.transfers().size(), transfers);
    EXPECT_EQ(platform.pauses.size(), 1u);
}

TEST_F(HidApiTest, FailedFindKeepsTheOpenHandle)
{
    ASSERT_TRUE(hid.Connect(korvel::testing::BuildVendorId, 1));
    platform.paths = {};
    EXPECT_FALSE(hid.Connect(korvel::testing::BuildVendorId, 1));
    EXPECT_NE(hid.DevHandle, nullptr);
}

TEST_F(HidApiTest, LongerDeclaredFeatureReportGrowsTheBuffer)
{
    firmware.declareFeatureLength(65);
    ASSERT_TRUE(hid.Connect(korvel::testing::BuildVendorId, 1));
    std::vector<uint8_t> report(9, 0);
    EXPECT_TRUE(hid.GetFeatureReport(report));
    EXPECT_EQ(report.size(), 65u);
}

} // namespace
