// A VirtualBus of the harness's own: it only remembers what is plugged, so
// that readersim's control commands run with no umockdev testbed.
#include "ReaderFirmware.h"
#include "VirtualBus.h"

namespace readersim {

struct VirtualBus::Impl {
    ReaderFirmware *reader = nullptr;
    bool mouse = false;
};

VirtualBus::VirtualBus() : impl_(std::make_unique<Impl>()) {}
VirtualBus::~VirtualBus() = default;

void VirtualBus::ensurePreload(int, char **) {}

void VirtualBus::plugReader(ReaderFirmware &firmware)
{
    impl_->reader = &firmware;
}

void VirtualBus::unplugReader()
{
    impl_->reader = nullptr;
}

bool VirtualBus::readerPlugged() const
{
    return impl_->reader != nullptr;
}

int VirtualBus::openCount(int) const
{
    return 0;
}

void VirtualBus::plugMouse()
{
    impl_->mouse = true;
}

void VirtualBus::unplugMouse()
{
    impl_->mouse = false;
}

bool VirtualBus::mousePlugged() const
{
    return impl_->mouse;
}

void VirtualBus::addOtherHidDevices(int) {}

std::string VirtualBus::root() const
{
    return {};
}

bool VirtualBus::keyboardGrabbed() const
{
    return false;
}

std::string VirtualBus::keyboardNode() const
{
    return impl_->reader ? "/dev/input/event0" : "";
}

} // namespace readersim
