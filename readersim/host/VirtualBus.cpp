#include "VirtualBus.h"

#include "GadgetBus.h"
#include "UmockdevBus.h"

#include <cstdlib>
#include <stdexcept>
#include <string>

namespace readersim {
namespace {

// Which bus READERSIM_BUS names: true for the kernel's.
bool kernelBusChosen()
{
    const char *name = std::getenv("READERSIM_BUS");
    const std::string bus = name ? name : "";
    if (bus.empty() || bus == "umockdev")
        return false;
    if (bus == "kernel")
        return true;
    throw std::runtime_error("READERSIM_BUS is \"" + bus + "\": it takes umockdev or kernel");
}

} // namespace

struct VirtualBus::Impl {
    std::unique_ptr<BusBackend> bus;
};

VirtualBus::VirtualBus() : impl_(std::make_unique<Impl>())
{
    if (kernelBusChosen())
        impl_->bus = std::make_unique<GadgetBus>();
    else
        impl_->bus = std::make_unique<UmockdevBus>();
}

VirtualBus::~VirtualBus() = default;

void VirtualBus::ensurePreload(int argc, char **argv)
{
    if (!kernelBusChosen())
        UmockdevBus::ensurePreload(argc, argv);
}

void VirtualBus::plugReader(ReaderFirmware &firmware) { impl_->bus->plugReader(firmware); }
void VirtualBus::unplugReader() { impl_->bus->unplugReader(); }
void VirtualBus::setReaderInputNode(bool present) { impl_->bus->setReaderInputNode(present); }
bool VirtualBus::readerPlugged() const { return impl_->bus->readerPlugged(); }
int VirtualBus::openCount(int readerInterface) const { return impl_->bus->openCount(readerInterface); }
void VirtualBus::plugMouse() { impl_->bus->plugMouse(); }
void VirtualBus::unplugMouse() { impl_->bus->unplugMouse(); }
bool VirtualBus::mousePlugged() const { return impl_->bus->mousePlugged(); }
void VirtualBus::addOtherHidDevices(int count) { impl_->bus->addOtherHidDevices(count); }
void VirtualBus::typeOnKeyboardInterface(const std::vector<BootReport> &reports)
{
    impl_->bus->typeOnKeyboardInterface(reports);
}
bool VirtualBus::keyboardGrabbed() const { return impl_->bus->keyboardGrabbed(); }
std::string VirtualBus::keyboardNode() const { return impl_->bus->keyboardNode(); }
void VirtualBus::plugOtherKeyboard() { impl_->bus->plugOtherKeyboard(); }
void VirtualBus::unplugOtherKeyboard() { impl_->bus->unplugOtherKeyboard(); }
void VirtualBus::typeOnOtherKeyboard(const std::vector<BootReport> &reports)
{
    impl_->bus->typeOnOtherKeyboard(reports);
}
std::string VirtualBus::root() const { return impl_->bus->root(); }
bool VirtualBus::refusesFeatureWrites() const { return impl_->bus->refusesFeatureWrites(); }

} // namespace readersim
