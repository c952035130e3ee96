// Plugging, unplugging, connecting, disconnecting, assigning and clearing
// the callback, and raw transfers, all racing for a few seconds: nothing
// may crash, hang, leak or touch a closed descriptor (run under the
// thread and address sanitizers).
#include "SharedBus.h"
#include "korvel.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <mutex>
#include <random>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;

std::atomic<long> delivered{0};

void KORVEL_CALL count(const char *data, uint32_t len)
{
    // Touch every byte: a stale or short buffer shows up under the sanitizers.
    volatile char sink = 0;
    for (uint32_t i = 0; i <= len; ++i)
        sink = static_cast<char>(sink ^ data[i]);
    delivered.fetch_add(1, std::memory_order_relaxed);
}

void KORVEL_CALL countToo(const char *data, uint32_t len)
{
    count(data, len);
}

std::chrono::seconds stressDuration()
{
    const char *seconds = std::getenv("KORVEL_STRESS_SECONDS");
    return std::chrono::seconds(seconds ? std::max(1, std::atoi(seconds)) : 4);
}

TEST(RawChannelStress, EverythingAtOnce)
{
    readersim::VirtualBus &bus = korvel::testing::SharedBus::bus();
    readersim::ReaderFirmware &firmware = korvel::testing::SharedBus::freshReader();
    std::mutex busLock; // the bus itself is driven from one thread at a time
    ASSERT_EQ(RFID_SetDeviceMode(1), 1);

    std::atomic<bool> stop{false};
    std::vector<std::thread> threads;

    threads.emplace_back([&] { // plugging
        std::mt19937 random(1);
        while (!stop) {
            {
                std::lock_guard guard(busLock);
                switch (random() % 4) {
                case 0: bus.readerPlugged() ? bus.unplugReader() : bus.plugReader(firmware); break;
                case 1: bus.mousePlugged() ? bus.unplugMouse() : bus.plugMouse(); break;
                default: if (bus.readerPlugged()) firmware.streamInputReports(20, 16); break;
                }
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(random() % 30));
        }
    });
    threads.emplace_back([&] { // connect and disconnect
        std::mt19937 random(2);
        while (!stop) {
            if (random() % 2)
                RFID_RW_ConnectToUSBReader();
            else
                RFID_RW_DisconnectFromUSBReader();
            std::this_thread::sleep_for(std::chrono::milliseconds(random() % 20));
        }
    });
    threads.emplace_back([&] { // callbacks
        std::mt19937 random(3);
        const TRFID_RW_GetDataEvent callbacks[] = {count, countToo, nullptr};
        while (!stop) {
            RFID_RW_AssignGetEvent(callbacks[random() % 3]);
            std::this_thread::sleep_for(std::chrono::milliseconds(random() % 25));
        }
    });
    threads.emplace_back([&] { // transfers
        std::mt19937 random(4);
        char data[63];
        while (!stop) {
            uint32_t size = 0;
            if (random() % 2)
                RFID_RW_PutRawData("stress", 7);
            else
                EXPECT_LE((RFID_RW_GetRawData(data, &size), size), 63u);
        }
    });
    threads.emplace_back([&] { // the configuration side alongside
        while (!stop) {
            int32_t bits;
            RFID_GetConfigBits(&bits);
        }
    });

    std::this_thread::sleep_for(stressDuration());
    stop = true;
    for (auto &t : threads)
        t.join();
    RFID_RW_AssignGetEvent(nullptr);
    RFID_RW_DisconnectFromUSBReader();
    std::lock_guard guard(busLock);
    if (!bus.readerPlugged())
        bus.plugReader(firmware);
    std::printf("callback deliveries during the run: %ld\n", delivered.load());
}

} // namespace
