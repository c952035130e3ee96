// The five raw-channel functions of libkorvel.so through the real Linux
// code path (hidraw read/write, the library's udev monitor) against the
// virtual reader's interface 1.
#include "Eventually.h"
#include "SharedBus.h"
#include "korvel.h"

#include <atomic>
#include <chrono>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

using korvel::testing::BusTest;
using korvel::testing::eventually;

namespace {


struct Received {
    std::mutex lock;
    std::vector<std::string> reports;
    std::vector<bool> terminated;
    std::thread::id thread;

    size_t count()
    {
        std::lock_guard guard(lock);
        return reports.size();
    }
};
Received received;

void KORVEL_CALL onData(const char *data, uint32_t len)
{
    std::lock_guard guard(received.lock);
    received.reports.emplace_back(data, len);
    received.terminated.push_back(data[len] == '\0');
    received.thread = std::this_thread::get_id();
}

class RawChannel : public BusTest {
protected:
    void SetUp() override
    {
        BusTest::SetUp();
        // The fixture's replug reaches the library's udev monitor as removals
        // and arrivals, and each arrival (re)opens the channel, cancelling a
        // transfer in progress: let them pass before the test begins. The
        // monitor handles events in order, so once the removal of a mouse
        // plugged after them has closed the channel, all of them are done.
        ASSERT_TRUE(eventually([this] { return bus->openCount(1) == 1; })) << "the replug never opened the channel";
        bus->plugMouse();
        bus->unplugMouse();
        ASSERT_TRUE(eventually([this] { return bus->openCount(1) == 0; }))
            << "the library never handled the mouse's removal";
        ASSERT_EQ(RFID_SetDeviceMode(1), 1); // advanced mode: the reader answers on interface 1
        std::lock_guard guard(received.lock);
        received.reports.clear();
        received.terminated.clear();
    }
    void TearDown() override
    {
        RFID_RW_AssignGetEvent(nullptr);
        RFID_RW_DisconnectFromUSBReader();
        BusTest::TearDown();
    }

    // Polls until a report arrives (or a second passes).
    int32_t poll(char *data, uint32_t &size)
    {
        int32_t result = 0;
        for (int i = 0; i < 100; ++i) {
            result = RFID_RW_GetRawData(data, &size);
            if (result != 0 || size != 0)
                break;
        }
        return result;
    }
};

TEST_F(RawChannel, OutputReportLayouts)
{
    ASSERT_EQ(RFID_RW_ConnectToUSBReader(), 0);
    ASSERT_EQ(RFID_RW_PutRawData("ABCDE", 5), 0);
    // A write returns once the device has taken the report; on the kernel's
    // bus its firmware gets it a moment later, on the gadget's thread.
    auto reports = [this](size_t count) {
        EXPECT_TRUE(eventually([&] { return firmware->outputReports().size() >= count; }));
        return firmware->outputReports();
    };
    auto out = reports(1);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0][0], 0);
    EXPECT_EQ(out[0][1], 5);
    EXPECT_EQ(std::string(out[0].begin() + 2, out[0].begin() + 6), "ABCD");
    EXPECT_EQ(out[0][6], 0xFF);
    EXPECT_EQ(out[0][64], 0xFF);

    std::string big(300, '\0');
    for (size_t i = 0; i < big.size(); ++i)
        big[i] = static_cast<char>(i);
    ASSERT_EQ(RFID_RW_PutRawData(big.data(), 1), 0);
    ASSERT_EQ(RFID_RW_PutRawData(big.data(), 64), 0);
    ASSERT_EQ(RFID_RW_PutRawData(big.data(), 300), 0);
    out = reports(4);
    ASSERT_EQ(out.size(), 4u);
    EXPECT_EQ(out[1][1], 1);
    EXPECT_EQ(out[1][2], 0xFF);
    EXPECT_EQ(out[2][1], 64);
    EXPECT_EQ(out[2][64], 62);
    EXPECT_EQ(out[3][1], 44);
    EXPECT_EQ(out[3][64], 62);
}

TEST_F(RawChannel, EchoIsPolledBack)
{
    ASSERT_EQ(RFID_RW_PutRawData("\x01\x02\x03", 4), 0);
    char data[63];
    std::memset(data, 0x55, sizeof data);
    uint32_t size = 0;
    ASSERT_EQ(poll(data, size), 0);
    ASSERT_EQ(size, 4u); // the echo carries the length byte and data area
    EXPECT_EQ(std::string(data, 3), "\x01\x02\x03");
    EXPECT_EQ(static_cast<uint8_t>(data[3]), 0xFF);
    EXPECT_EQ(static_cast<uint8_t>(data[4]), 0x55);
}

TEST_F(RawChannel, NoReportGivesSizeZero)
{
    char data[63] = {7};
    uint32_t size = 99;
    EXPECT_EQ(RFID_RW_GetRawData(data, &size), 0);
    EXPECT_EQ(size, 0u);
    EXPECT_EQ(data[0], 7);
}

TEST_F(RawChannel, NoReaderGivesNotPresent)
{
    bus->unplugReader();
    EXPECT_EQ(RFID_RW_ConnectToUSBReader(), -8);
    EXPECT_EQ(RFID_RW_PutRawData("ab", 2), -8);
    uint32_t size = 5;
    char data[63];
    EXPECT_EQ(RFID_RW_GetRawData(data, &size), -8);
    EXPECT_EQ(size, 0u);
}

TEST_F(RawChannel, CallbackAssignedRefusesPolling)
{
    RFID_RW_AssignGetEvent(onData);
    char data[63];
    uint32_t size = 5;
    EXPECT_EQ(RFID_RW_GetRawData(data, &size), -6);
    EXPECT_EQ(size, 0u);
}

TEST_F(RawChannel, CallbackGetsEveryReportInOrderOnTheLibrarysThread)
{
    RFID_RW_AssignGetEvent(onData);
    ASSERT_EQ(RFID_RW_ConnectToUSBReader(), 0);
    firmware->streamInputReports(50, 8);
    ASSERT_TRUE(eventually([] { return received.count() >= 50; })) << received.count();
    std::lock_guard guard(received.lock);
    EXPECT_EQ(received.reports.size(), 50u);
    for (uint32_t i = 0; i < received.reports.size(); ++i) {
        ASSERT_EQ(received.reports[i].size(), 8u);
        uint32_t sequence;
        std::memcpy(&sequence, received.reports[i].data(), 4);
        EXPECT_EQ(sequence, i);
        EXPECT_TRUE(received.terminated[i]);
    }
    EXPECT_NE(received.thread, std::this_thread::get_id());
}

TEST_F(RawChannel, LengthByteZeroAndOverlong)
{
    RFID_RW_AssignGetEvent(onData);
    ASSERT_EQ(RFID_RW_ConnectToUSBReader(), 0);
    firmware->sendInputReport({});
    readersim::ReaderFirmware::RawReport bad{};
    bad[1] = 200;
    bad.fill(0x61);
    bad[0] = 0;
    bad[1] = 200;
    firmware->sendRawInputReport(bad);
    ASSERT_TRUE(eventually([] { return received.count() >= 2; }));
    std::lock_guard guard(received.lock);
    EXPECT_EQ(received.reports[0], "");
    EXPECT_TRUE(received.terminated[0]);
    EXPECT_EQ(received.reports[1], std::string(63, 'a'));
}

TEST_F(RawChannel, NothingArrivesWhileClosedUntilConnect)
{
    RFID_RW_AssignGetEvent(onData);
    RFID_RW_DisconnectFromUSBReader(); // opened by the fixture's replug, an arrival
    EXPECT_TRUE(eventually([this] { return bus->openCount(1) == 0; }));
    firmware->sendInputReport({'n', 'o'}); // dropped: no descriptor has the node open
    ASSERT_EQ(RFID_RW_ConnectToUSBReader(), 0);
    EXPECT_EQ(bus->openCount(1), 1);
    firmware->sendInputReport({'o', 'k'});
    ASSERT_TRUE(eventually([] { return received.count() == 1; }));
}

TEST_F(RawChannel, AnyHidRemovalClosesAndAnyArrivalReopens)
{
    ASSERT_EQ(RFID_RW_ConnectToUSBReader(), 0);
    ASSERT_EQ(bus->openCount(1), 1);
    bus->plugMouse(); // an arrival reopens (replaces) the channel
    EXPECT_TRUE(eventually([this] { return bus->openCount(1) == 1; }));
    bus->unplugMouse();
    EXPECT_TRUE(eventually([this] { return bus->openCount(1) == 0; }));
    bus->plugMouse();
    EXPECT_TRUE(eventually([this] { return bus->openCount(1) == 1; }));
}

TEST_F(RawChannel, DisconnectThenPollOpensAgain)
{
    ASSERT_EQ(RFID_RW_ConnectToUSBReader(), 0);
    RFID_RW_DisconnectFromUSBReader();
    EXPECT_TRUE(eventually([this] { return bus->openCount(1) == 0; }));
    char data[63];
    uint32_t size;
    EXPECT_EQ(RFID_RW_GetRawData(data, &size), 0);
    EXPECT_EQ(bus->openCount(1), 1);
}

TEST_F(RawChannel, ClearingAndReassigningKeepsDelivering)
{
    RFID_RW_AssignGetEvent(onData);
    ASSERT_EQ(RFID_RW_ConnectToUSBReader(), 0);
    RFID_RW_AssignGetEvent(nullptr);
    RFID_RW_AssignGetEvent(onData);
    firmware->sendInputReport({'x'});
    EXPECT_TRUE(eventually([] { return received.count() == 1; }));
}

} // namespace
