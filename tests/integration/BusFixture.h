// One virtual bus and reader shared by every integration test of the
// binary (umockdev leaks descriptors per testbed). Each test starts with
// the reader plugged in, default settings and empty logs.
#pragma once

#include "ReaderFirmware.h"
#include "VirtualBus.h"

#include <gtest/gtest.h>

namespace korvel::testing {

class Bus {
public:
    static readersim::VirtualBus &bus();
    static readersim::ReaderFirmware &firmware();
    // Unplugs the reader and plugs in a fresh one (default settings, empty
    // logs, no faults) with this identity.
    static void freshReader(const readersim::ReaderIdentity &identity = {});
};

class BusTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    readersim::VirtualBus &bus() { return Bus::bus(); }
    readersim::ReaderFirmware &firmware() { return Bus::firmware(); }
};

} // namespace korvel::testing
