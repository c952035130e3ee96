#include "SharedBus.h"

#include <memory>
#include <stdexcept>
#include <vector>

namespace korvel::testing {
namespace {

std::unique_ptr<readersim::VirtualBus> sharedBus;
std::vector<std::unique_ptr<readersim::ReaderFirmware>> readers; // the last one is current

} // namespace

void SharedBus::SetUp()
{
    sharedBus = std::make_unique<readersim::VirtualBus>();
}

void SharedBus::TearDown()
{
    // No reader types into a bus that is going (the sink may lead there).
    for (const auto &reader : readers)
        reader->setKeyboardSink({});
    sharedBus.reset();
    readers.clear();
}

readersim::VirtualBus &SharedBus::bus()
{
    if (!sharedBus)
        throw std::logic_error("no shared bus: the program's main is not TestMain.cpp");
    return *sharedBus;
}

readersim::ReaderFirmware &SharedBus::firmware()
{
    if (readers.empty())
        readers.push_back(std::make_unique<readersim::ReaderFirmware>());
    return *readers.back();
}

readersim::ReaderFirmware &SharedBus::freshReader(const readersim::ReaderIdentity &identity,
                                                  const readersim::ReaderSettings &settings,
                                                  const std::function<void(readersim::ReaderFirmware &)> &prepare)
{
    bus().unplugReader();
    readers.push_back(std::make_unique<readersim::ReaderFirmware>(identity, settings));
    if (prepare)
        prepare(*readers.back());
    bus().plugReader(*readers.back());
    return *readers.back();
}

void BusTest::SetUp()
{
    firmware = &SharedBus::freshReader();
}

void BusTest::TearDown()
{
    if (bus->mousePlugged())
        bus->unplugMouse();
}

} // namespace korvel::testing
