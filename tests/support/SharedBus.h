// The one virtual bus of a test program, shared by all its tests: umockdev
// leaks descriptors with every testbed, and under its preload the tests of
// one program see one bus anyway. TestMain.cpp makes it before the first
// test, with no reader plugged, and destroys it after the last.
#pragma once

#include "ReaderFirmware.h"
#include "VirtualBus.h"

#include <gtest/gtest.h>

#include <functional>

namespace korvel::testing {

class SharedBus final : public ::testing::Environment {
public:
    void SetUp() override;
    void TearDown() override;

    static readersim::VirtualBus &bus();
    // The reader last made, plugged in or not (the first use makes one with
    // the default identity).
    static readersim::ReaderFirmware &firmware();
    // Unplugs the reader and plugs in a new one, handed to `prepare` (to
    // set what the bus reads at the plug) before it is plugged in. Every
    // reader stays alive until the program ends: the bus may still be
    // finishing with one when the next is plugged.
    static readersim::ReaderFirmware &
    freshReader(const readersim::ReaderIdentity &identity = {}, const readersim::ReaderSettings &settings = {},
                const std::function<void(readersim::ReaderFirmware &)> &prepare = {});
};

// A test on the shared bus: it starts with a fresh reader plugged in (the
// default identity and settings, no card, no faults) and ends with no
// mouse beside it.
class BusTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    readersim::VirtualBus *const bus = &SharedBus::bus();
    readersim::ReaderFirmware *firmware = nullptr; // this test's reader
};

} // namespace korvel::testing
