// The one main of the test programs that need more than gtest's own main.
// Built with KORVEL_TEST_BUS for the programs on the virtual bus: they run
// under umockdev's preload from their start (re-executing themselves with
// it when needed) and share one bus (SharedBus). Anything else a program's
// tests share for the whole run is a gtest environment of its own (the
// tool's Qt application: tests/configtool/TestSupport.cpp).
#include <gtest/gtest.h>

#ifdef KORVEL_TEST_BUS
#include "SharedBus.h"
#endif

int main(int argc, char **argv)
{
#ifdef KORVEL_TEST_BUS
    readersim::VirtualBus::ensurePreload(argc, argv);
#endif
    ::testing::InitGoogleTest(&argc, argv);
#ifdef KORVEL_TEST_BUS
    ::testing::AddGlobalTestEnvironment(new korvel::testing::SharedBus);
#endif
    return RUN_ALL_TESTS();
}
