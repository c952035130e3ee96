#include "BusFixture.h"

#include <cstdlib>
#include <memory>

namespace korvel::testing {
namespace {

std::unique_ptr<readersim::ReaderFirmware> sharedFirmware;
std::unique_ptr<readersim::VirtualBus> sharedBus;

} // namespace

readersim::VirtualBus &Bus::bus()
{
    return *sharedBus;
}

readersim::ReaderFirmware &Bus::firmware()
{
    return *sharedFirmware;
}

void Bus::freshReader(const readersim::ReaderIdentity &identity)
{
    sharedBus->unplugReader();
    sharedFirmware = std::make_unique<readersim::ReaderFirmware>(identity);
    sharedBus->plugReader(*sharedFirmware);
}

void BusTest::SetUp()
{
    Bus::freshReader();
}

void BusTest::TearDown()
{
    if (bus().mousePlugged())
        bus().unplugMouse();
}

} // namespace korvel::testing

int main(int argc, char **argv)
{
    readersim::VirtualBus::ensurePreload(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    korvel::testing::sharedFirmware = std::make_unique<readersim::ReaderFirmware>();
    korvel::testing::sharedBus = std::make_unique<readersim::VirtualBus>();
    korvel::testing::sharedBus->plugReader(*korvel::testing::sharedFirmware);
    const int result = RUN_ALL_TESTS();
    korvel::testing::sharedBus.reset();
    korvel::testing::sharedFirmware.reset();
    return result;
}
