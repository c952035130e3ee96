#include "FirmwarePlatform.h"
#include "RWApi.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

using namespace korvel;
using korvel::testing::FirmwarePlatform;

namespace {

using Report = FirmwarePlatform::RawReport;

Report inputReport(std::vector<uint8_t> data, int lengthByte = -1)
{
    Report r{};
    r[1] = static_cast<uint8_t>(lengthByte < 0 ? data.size() : lengthByte);
    std::copy(data.begin(), data.end(), r.begin() + 2);
    return r;
}

class RawChannel : public ::testing::Test {
protected:
    readersim::ReaderFirmware firmware;
    FirmwarePlatform platform{firmware};
    TUSBReaderComm comm{platform};

    Report sent(const uint8_t *data, uint32_t size)
    {
        EXPECT_EQ(comm.Write(data, size), static_cast<int32_t>(size));
        return platform.outputReports.back();
    }
};

TEST(RawReports, OutputLayouts)
{
    const uint8_t abcde[] = {'A', 'B', 'C', 'D', 'E'};
    uint8_t r[RawReportLength];
    BuildOutputReport(abcde, 5, r);
    EXPECT_EQ(r[0], 0);
    EXPECT_EQ(r[1], 5);
    EXPECT_EQ(std::string(r + 2, r + 6), "ABCD"); // Size - 1 data bytes
    for (int i = 6; i < 65; ++i)
        ASSERT_EQ(r[i], 0xFF) << i;

    BuildOutputReport(abcde, 1, r);
    EXPECT_EQ(r[1], 1);
    EXPECT_EQ(r[2], 0xFF);

    std::vector<uint8_t> big(300);
    for (size_t i = 0; i < big.size(); ++i)
        big[i] = static_cast<uint8_t>(i);
    BuildOutputReport(big.data(), 64, r);
    EXPECT_EQ(r[1], 64);
    EXPECT_EQ(r[64], 62);
    BuildOutputReport(big.data(), 300, r);
    EXPECT_EQ(r[1], 44); // 300 modulo 256
    EXPECT_EQ(r[2], 0);
    EXPECT_EQ(r[64], 62);
}

TEST(RawReports, SizeZeroTakesNoCallerBytes)
{
    uint8_t r[RawReportLength];
    BuildOutputReport(nullptr, 0, r); // must not touch the (null) caller data
    EXPECT_EQ(r[1], 0);
    EXPECT_EQ(r[2], 0xFF);
}

TEST(RawReports, InputLengthIsCutToTheReport)
{
    uint8_t r[RawReportLength] = {0, 3};
    EXPECT_EQ(InputDataLength(r), 3u);
    r[1] = 63;
    EXPECT_EQ(InputDataLength(r), 63u);
    r[1] = 200;
    EXPECT_EQ(InputDataLength(r), 63u);
}

TEST(RawReports, RawInterfaceIdNamesInterfaceOne)
{
    EXPECT_EQ(RawInterfaceId(), "vid_" + korvel::testing::BuildVendorHex() + "&pid_0001&mi_01");
    EXPECT_EQ(RawInterfaceId().size(), 23u);
}

TEST_F(RawChannel, FindsInterfaceOneByItsInstanceIdInAnyCase)
{
    std::string path;
    ASSERT_TRUE(comm.FindReaderPath(path));
    EXPECT_EQ(path, korvel::testing::ReaderPath1);

    platform.instanceIds[korvel::testing::ReaderPath1] = "usb\\vid_" + korvel::testing::BuildVendorHex() + "&pid_0001&mi_01\\x";
    ASSERT_TRUE(comm.FindReaderPath(path));

    platform.instanceIds.erase(korvel::testing::ReaderPath1); // interface 0 alone does not match
    EXPECT_FALSE(comm.FindReaderPath(path));
    EXPECT_EQ(path, "");
}

TEST_F(RawChannel, NotPresentAndOpenFailure)
{
    platform.instanceIds.clear();
    EXPECT_EQ(comm.OpenUSBReader(), RFID_RW_NOT_PRESENT);
    const uint8_t data[] = {1, 2};
    EXPECT_EQ(comm.Write(data, 2), RFID_RW_NOT_PRESENT);
    uint32_t size = 7;
    EXPECT_EQ(comm.Read(nullptr, size), RFID_RW_NOT_PRESENT);
    EXPECT_EQ(size, 0u);

    platform.instanceIds[korvel::testing::ReaderPath1] = "HID\\VID_" + korvel::testing::BuildVendorHex(true) + "&PID_0001&MI_01\\1";
    platform.rawOpenFails = true;
    EXPECT_EQ(comm.OpenUSBReader(), RFID_RW_IO_ERROR);
    EXPECT_EQ(comm.DevHandle(), nullptr);
}

TEST_F(RawChannel, ReadCopiesTheDataBytes)
{
    platform.inputReports.push_back(inputReport({0x11, 0x22, 0x33}));
    uint8_t buffer[63];
    std::memset(buffer, 0xEE, sizeof buffer);
    uint32_t size = 0;
    ASSERT_EQ(comm.Read(buffer, size), RFID_RW_OK);
    EXPECT_EQ(size, 3u);
    EXPECT_EQ(buffer[2], 0x33);
    EXPECT_EQ(buffer[3], 0xEE);
}

TEST_F(RawChannel, NoReportInTimeIsSuccessWithSizeZero)
{
    uint8_t buffer[63] = {0x5A};
    uint32_t size = 9;
    ASSERT_EQ(comm.Read(buffer, size), RFID_RW_OK);
    EXPECT_EQ(size, 0u);
    EXPECT_EQ(buffer[0], 0x5A);
}

TEST_F(RawChannel, OverlongLengthByteIsCutAtSixtyThree)
{
    platform.inputReports.push_back(inputReport(std::vector<uint8_t>(63, 0x77), 255));
    uint8_t buffer[64];
    buffer[63] = 0xEE;
    uint32_t size = 0;
    ASSERT_EQ(comm.Read(buffer, size), RFID_RW_OK);
    EXPECT_EQ(size, 63u);
    EXPECT_EQ(buffer[63], 0xEE); // the caller's 64th byte is not written
}

TEST_F(RawChannel, WriteReturnsSizeAndOpensOnDemand)
{
    const uint8_t data[] = {'h', 'i', '!'};
    const Report r = sent(data, 3);
    EXPECT_EQ(r[1], 3);
    EXPECT_EQ(r[2], 'h');
    EXPECT_EQ(r[4], 0xFF);
    EXPECT_EQ(platform.rawOpens, 1);
    sent(data, 3);
    EXPECT_EQ(platform.rawOpens, 1); // kept open
}

TEST_F(RawChannel, NullBuffersAreRefusedBeforeTheChannelOpens)
{
    char buffer[RFID_RW_DATA_SIZE];
    uint32_t size = 7;
    EXPECT_EQ(comm.PutRawData(nullptr, 5), RFID_RW_IO_ERROR);
    EXPECT_EQ(comm.GetRawData(nullptr, &size), RFID_RW_IO_ERROR);
    EXPECT_EQ(comm.GetRawData(buffer, nullptr), RFID_RW_IO_ERROR);
    EXPECT_EQ(size, 7u);
    EXPECT_EQ(platform.rawOpens, 0);
    EXPECT_EQ(platform.lastError, korvel::testing::ErrInvalid);
    // Sizes 0 and 1 send no data byte, so they need no buffer.
    EXPECT_EQ(comm.PutRawData(nullptr, 1), RFID_RW_OK);
    EXPECT_EQ(platform.outputReports.back()[2], 0xFF);
}

TEST_F(RawChannel, HugeSizeStillReportsSuccess)
{
    std::vector<uint8_t> data(64, 1);
    EXPECT_GT(comm.Write(data.data(), 0x80000001u), 0);
}

TEST_F(RawChannel, FailedTransferKeepsTheChannelOpen)
{
    const uint8_t data[] = {1, 2};
    ASSERT_EQ(comm.OpenUSBReader(), RFID_RW_OK);
    platform.rawWritesFail = true;
    EXPECT_EQ(comm.Write(data, 2), RFID_RW_IO_ERROR);
    EXPECT_NE(comm.DevHandle(), nullptr);
}

TEST_F(RawChannel, DisconnectThenReadOpensAgain)
{
    ASSERT_EQ(comm.OpenUSBReader(), RFID_RW_OK);
    comm.CloseUSBReader();
    EXPECT_EQ(comm.DevHandle(), nullptr);
    uint8_t buffer[63];
    uint32_t size;
    EXPECT_EQ(comm.Read(buffer, size), RFID_RW_OK);
    EXPECT_EQ(platform.rawOpens, 2);
}

TEST_F(RawChannel, CloseInterruptsTheHandleStillInUse)
{
    ASSERT_EQ(comm.OpenUSBReader(), RFID_RW_OK);
    const auto held = comm.DevHandle(); // as a thread in the middle of a read holds it
    comm.CloseUSBReader();
    uint8_t report[65];
    platform.inputReports.push_back(inputReport({1}));
    EXPECT_EQ(held->readReport(report, 65, 10), os::RawDevice::ReadResult::Failed);
}

std::vector<std::string> received;
void KORVEL_CALL collect(const char *data, uint32_t len)
{
    received.emplace_back(data, len);
    EXPECT_EQ(data[len], '\0');
}
void KORVEL_CALL other(const char *, uint32_t) {}

TEST_F(RawChannel, CallbackRefusesPolling)
{
    comm.AssignGetEvent(other);
    uint8_t buffer[63];
    uint32_t size = 5;
    EXPECT_EQ(comm.Read(buffer, size), RFID_RW_CALLBACK_ASSIGNED);
    EXPECT_EQ(size, 0u);
    EXPECT_NE(comm.DevHandle(), nullptr); // opened before refusing
    comm.AssignGetEvent(nullptr);
}

TEST_F(RawChannel, CopyDataDeliversAZeroTerminatedCopy)
{
    received.clear();
    comm.AssignGetEvent(collect);
    comm.AssignGetEvent(nullptr); // stop the thread: feed messages by hand
    comm.AssignGetEvent(collect);
    Report r = inputReport({'x', 'y'});
    const CopyDataRecord data{0, 65, r.data()};
    comm.HandleMessage({wm::CopyData, 2, reinterpret_cast<intptr_t>(&data)});
    r = inputReport({});
    comm.HandleMessage({wm::CopyData, 0, reinterpret_cast<intptr_t>(&data)});
    // A length beyond the report is cut, never read past.
    comm.HandleMessage({wm::CopyData, 500, reinterpret_cast<intptr_t>(&data)});
    comm.AssignGetEvent(nullptr);
    ASSERT_GE(received.size(), 3u);
    EXPECT_EQ(received[received.size() - 3], "xy");
    EXPECT_EQ(received[received.size() - 2], "");
    EXPECT_EQ(received.back().size(), 63u);
}

TEST_F(RawChannel, DeviceChangeOfAnyHidInterfaceOpensAndCloses)
{
    DeviceInterfaceBroadcast header{};
    header.dbcc_size = sizeof header;
    header.dbcc_devicetype = dbt::DevTypDeviceInterface;
    header.dbcc_classguid = HidClassGuid;
    const auto lparam = reinterpret_cast<intptr_t>(&header);

    comm.HandleMessage({wm::DeviceChange, dbt::DeviceArrival, lparam});
    EXPECT_NE(comm.DevHandle(), nullptr);
    comm.HandleMessage({wm::DeviceChange, dbt::DeviceRemoveComplete, lparam});
    EXPECT_EQ(comm.DevHandle(), nullptr);

    // Other events, other device types, other classes and a missing header do nothing.
    comm.HandleMessage({wm::DeviceChange, 0x0007, lparam});
    comm.HandleMessage({wm::DeviceChange, dbt::DeviceArrival, 0});
    header.dbcc_devicetype = 2;
    comm.HandleMessage({wm::DeviceChange, dbt::DeviceArrival, lparam});
    header.dbcc_devicetype = dbt::DevTypDeviceInterface;
    header.dbcc_classguid.Data1 ^= 1;
    comm.HandleMessage({wm::DeviceChange, dbt::DeviceArrival, lparam});
    EXPECT_EQ(comm.DevHandle(), nullptr);
    EXPECT_EQ(platform.rawOpens, 1);
}

TEST_F(RawChannel, OneThreadWhateverTheCallback)
{
    EXPECT_FALSE(comm.ReceiveThreadRunning());
    comm.AssignGetEvent(nullptr); // clearing with none assigned does nothing
    EXPECT_FALSE(comm.ReceiveThreadRunning());
    comm.AssignGetEvent(collect);
    comm.AssignGetEvent(other);
    EXPECT_TRUE(comm.ReceiveThreadRunning());
    EXPECT_EQ(comm.GetDataEvent(), &other);
    comm.AssignGetEvent(nullptr);
    EXPECT_FALSE(comm.ReceiveThreadRunning());
    EXPECT_EQ(comm.GetDataEvent(), nullptr);
}

} // namespace
