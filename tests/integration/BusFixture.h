// One virtual bus and reader shared by every integration test of the
// binary (umockdev leaks descriptors per testbed). Each test starts with
// the reader plugged in, default settings and empty logs.
#pragma once

#include "ReaderFirmware.h"
#include "VirtualBus.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace korvel::testing {

class Bus {
public:
    static readersim::VirtualBus &bus();
    static readersim::ReaderFirmware &firmware();
    // Unplugs the reader and plugs in a fresh one (default settings, empty
    // logs, no faults) with this identity.
    static void freshReader(const readersim::ReaderIdentity &identity = {});
};

// Waits for a condition that another thread or process makes true,
// checking every millisecond; false once `limit` has passed (generous:
// the machine may be busy).
template <typename Condition>
bool eventually(Condition condition, std::chrono::milliseconds limit = std::chrono::seconds(20))
{
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end)
            return condition();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

class BusTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    readersim::VirtualBus &bus() { return Bus::bus(); }
    readersim::ReaderFirmware &firmware() { return Bus::firmware(); }
};

} // namespace korvel::testing
