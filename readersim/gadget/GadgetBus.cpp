#include "GadgetBus.h"

#include "FunctionFsInterface.h"
#include "KernelDevice.h"
#include "KeyboardOutput.h"
#include "OpenFiles.h"
#include "ReaderFirmware.h"
#include "ReportDescriptors.h"
#include "TaskThread.h"
#include "UsbGadget.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <mutex>
#include <optional>
#include <stdexcept>

namespace readersim {
namespace {

constexpr const char *WorkDir = "/run/readersim-gadget"; // mount points and UDC locks
// Extra HID devices on one controller: dummy_udc has interrupt IN endpoints
// with distinct addresses for seven interfaces (an eighth gets a duplicate).
constexpr int DevicesPerGadget = 7;
constexpr size_t BootReportSize = 8;

std::vector<uint8_t> bootBytes(const BootReport &report)
{
    std::vector<uint8_t> bytes(BootReportSize);
    bytes[0] = report.modifiers;
    std::copy(report.keys.begin(), report.keys.end(), bytes.begin() + 2);
    return bytes;
}

// Keyboards are polled every 16 ms, a reader's typing speed: the kernel keeps
// only 64 events for an evdev reader that falls behind, which a faster
// typist fills while a busy listener is away. The raw channel: every 1 ms.
HidInterfaceLayout keyboardLayout(size_t featureLength)
{
    return {1, 1, BootReportSize, 0, readerKeyboardDescriptor(featureLength), 16};
}

HidInterfaceLayout mouseLayout()
{
    return {1, 2, 3, 0, mouseDescriptor(), 16};
}

// One UDC, locked for this process while it lives.
class ControllerLease {
public:
    explicit ControllerLease(const std::vector<std::string> &taken)
    {
        for (const std::string &udc : UsbGadget::controllers()) {
            bool ours = false;
            for (const std::string &t : taken)
                ours = ours || t == udc;
            if (ours)
                continue;
            const std::string lock = std::string(WorkDir) + "/" + udc + ".lock";
            fd_ = ::open(lock.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
            if (fd_ >= 0 && ::flock(fd_, LOCK_EX | LOCK_NB) == 0) {
                name_ = udc;
                return;
            }
            if (fd_ >= 0)
                ::close(fd_);
            fd_ = -1;
        }
        throw std::runtime_error("no free USB device controller (load dummy_hcd with a larger num=)");
    }
    ~ControllerLease()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    ControllerLease(const ControllerLease &) = delete;
    ControllerLease &operator=(const ControllerLease &) = delete;
    const std::string &name() const { return name_; }

private:
    int fd_ = -1;
    std::string name_;
};

} // namespace

// One USB device of the bus: its gadget on its own controller and, while
// plugged, its FunctionFS interfaces and the nodes the kernel made.
struct GadgetDevice {
    std::unique_ptr<ControllerLease> lease;
    std::unique_ptr<UsbGadget> gadget;
    std::vector<std::string> instances; // FunctionFS instance per interface
    std::vector<std::unique_ptr<FunctionFsInterface>> interfaces;
    std::optional<KernelDevice> kernel; // while plugged

    bool plugged() const { return kernel.has_value(); }
};

struct GadgetBus::Impl {
    mutable std::mutex mutex; // guards everything below
    std::shared_ptr<TaskThread> tasks = std::make_shared<TaskThread>();
    std::vector<std::string> leased;
    std::string prefix = "readersim-" + std::to_string(::getpid());
    GadgetDevice reader, mouse, keyboard;
    std::vector<GadgetDevice> others;
    ReaderFirmware *firmware = nullptr;
    uint64_t readerPlugs = 0;
    // What the reader's keyboard holds down now. Its own lock: the
    // interfaces' threads ask for it while a plug may hold `mutex` and wait
    // for the kernel, which may be waiting for that very answer.
    std::mutex heldMutex;
    BootReport held;
    std::string lastKeyboardNode = "/dev/input/event?";

    GadgetDevice make(const std::string &name, int interfaces)
    {
        GadgetDevice device;
        device.lease = std::make_unique<ControllerLease>(leased);
        leased.push_back(device.lease->name());
        device.gadget = std::make_unique<UsbGadget>(prefix + "-" + name);
        for (int i = 0; i < interfaces; ++i)
            device.instances.push_back(device.gadget->addFunctionFs(prefix + "-" + name + std::to_string(i)));
        return device;
    }

    std::unique_ptr<FunctionFsInterface> serve(const GadgetDevice &device, size_t index, HidInterfaceLayout layout,
                                               HidReportHandlers handlers = {})
    {
        return std::make_unique<FunctionFsInterface>(device.instances.at(index),
                                                     std::string(WorkDir) + "/" + device.instances[index],
                                                     HidControl(std::move(layout), std::move(handlers)));
    }

    // `announced`: wait for udev too, so that monitors have heard of it.
    void bind(GadgetDevice &device, const GadgetIdentity &identity, bool keyboard, bool announced = true)
    {
        device.gadget->setIdentity(identity);
        device.gadget->bind(device.lease->name());
        device.kernel =
            KernelDevice::waitForPlug(device.lease->name(), device.instances.size(), keyboard, announced);
        if (keyboard)
            lastKeyboardNode = device.kernel->eventNode;
    }

    void unplug(GadgetDevice &device)
    {
        if (!device.gadget || !device.gadget->bound())
            return;
        device.gadget->unbind();
        device.interfaces.clear(); // their threads see the unbind first
        if (device.kernel)
            KernelDevice::waitForUnplug(*device.kernel);
        device.kernel.reset();
    }

    HidReportHandlers readerFeatures(ReaderFirmware &fw)
    {
        HidReportHandlers h;
        h.getReport = [&fw, this](ReportType type, uint8_t id, size_t length) -> std::optional<std::vector<uint8_t>> {
            if (type == ReportType::Input) {
                std::lock_guard lock(heldMutex);
                return bootBytes(held);
            }
            if (type != ReportType::Feature)
                return std::nullopt;
            std::vector<uint8_t> report(length + 1);
            report[0] = id;
            if (!fw.getFeature(report.data(), report.size()))
                return std::nullopt;
            return std::vector<uint8_t>(report.begin() + 1, report.end());
        };
        h.setReport = [&fw](ReportType type, uint8_t id, const std::vector<uint8_t> &data) {
            if (type == ReportType::Output)
                return true; // the keyboard's LEDs: the reader has none
            if (type != ReportType::Feature)
                return false;
            std::vector<uint8_t> report = {id};
            report.insert(report.end(), data.begin(), data.end());
            return fw.setFeature(report.data(), report.size());
        };
        return h;
    }

    HidReportHandlers readerRaw(ReaderFirmware &fw)
    {
        HidReportHandlers h;
        h.setReport = [&fw](ReportType type, uint8_t id, const std::vector<uint8_t> &data) {
            if (type != ReportType::Output)
                return false;
            std::vector<uint8_t> report = {id};
            report.insert(report.end(), data.begin(), data.end());
            fw.receiveOutputReport(report.data(), report.size());
            return !fw.dropped();
        };
        return h;
    }

    void unplugReaderLocked()
    {
        if (!firmware)
            return;
        firmware->setOnDropped({});
        firmware->setInputReportSink({}); // waits for a report being queued
        unplug(reader);
        firmware = nullptr;
        std::lock_guard lock(heldMutex);
        held = {};
    }
};

GadgetBus::GadgetBus() : impl_(std::make_unique<Impl>())
{
    ::mkdir(WorkDir, 0700);
    impl_->reader = impl_->make("reader", 2);
}

GadgetBus::~GadgetBus()
{
    impl_->tasks->stop();
    std::lock_guard lock(impl_->mutex);
    impl_->unplugReaderLocked();
    impl_->unplug(impl_->mouse);
    impl_->unplug(impl_->keyboard);
    for (GadgetDevice &device : impl_->others)
        impl_->unplug(device);
}

void GadgetBus::plugReader(ReaderFirmware &firmware)
{
    std::lock_guard lock(impl_->mutex);
    if (impl_->firmware)
        return;
    Impl &bus = *impl_;
    GadgetDevice &reader = bus.reader;
    reader.interfaces.push_back(
        bus.serve(reader, 0, keyboardLayout(firmware.featureReportLength()), bus.readerFeatures(firmware)));
    reader.interfaces.push_back(bus.serve(reader, 1, {0, 0, 64, 64, readerRawDescriptor(), 1}, bus.readerRaw(firmware)));
    FunctionFsInterface *raw = reader.interfaces[1].get();
    // The interrupt OUT endpoint carries the report without its ID (none).
    raw->setOutputHandler([&firmware](const std::vector<uint8_t> &data) {
        std::vector<uint8_t> report = {0};
        report.insert(report.end(), data.begin(), data.end());
        firmware.receiveOutputReport(report.data(), report.size());
    });
    firmware.setInputReportSink(
        [raw](const ReaderFirmware::RawReport &report) { raw->send({report.begin() + 1, report.end()}); });
    // The firmware drops off the bus inside a transfer, on an interface's
    // thread: the unplug, which stops that thread, runs on the task thread.
    const uint64_t plug = ++bus.readerPlugs;
    std::weak_ptr<TaskThread> tasks = bus.tasks;
    Impl *impl = impl_.get();
    firmware.setOnDropped([tasks, impl, plug] {
        if (auto thread = tasks.lock())
            thread->post([impl, plug] {
                std::lock_guard lock(impl->mutex);
                if (impl->firmware && impl->readerPlugs == plug)
                    impl->unplugReaderLocked();
            });
    });
    bus.firmware = &firmware;
    const ReaderIdentity identity = firmware.identity();
    try {
        bus.bind(reader, {identity.vendorId, identity.productId, 0x0100, identity.manufacturer, identity.product}, true);
    } catch (...) {
        bus.unplugReaderLocked();
        reader.interfaces.clear();
        throw;
    }
}

void GadgetBus::unplugReader()
{
    std::lock_guard lock(impl_->mutex);
    impl_->unplugReaderLocked();
}

bool GadgetBus::readerPlugged() const
{
    std::lock_guard lock(impl_->mutex);
    return impl_->reader.plugged();
}

int GadgetBus::openCount(int readerInterface) const
{
    std::string node;
    {
        std::lock_guard lock(impl_->mutex);
        const auto &kernel = impl_->reader.kernel;
        if (!kernel || readerInterface < 0 || static_cast<size_t>(readerInterface) >= kernel->hidrawNodes.size())
            return 0;
        node = kernel->hidrawNodes[readerInterface];
    }
    return openDescriptors(node);
}

void GadgetBus::plugMouse()
{
    std::lock_guard lock(impl_->mutex);
    Impl &bus = *impl_;
    if (!bus.mouse.gadget)
        bus.mouse = bus.make("mouse", 1);
    if (bus.mouse.plugged())
        return;
    bus.mouse.interfaces.push_back(bus.serve(bus.mouse, 0, mouseLayout()));
    bus.bind(bus.mouse, {0x046D, 0xC077, 0x7200, "Logitech", "USB Optical Mouse"}, false);
}

void GadgetBus::unplugMouse()
{
    std::lock_guard lock(impl_->mutex);
    impl_->unplug(impl_->mouse);
}

bool GadgetBus::mousePlugged() const
{
    std::lock_guard lock(impl_->mutex);
    return impl_->mouse.plugged();
}

void GadgetBus::addOtherHidDevices(int count)
{
    std::lock_guard lock(impl_->mutex);
    Impl &bus = *impl_;
    while (count > 0) {
        const int here = std::min(count, DevicesPerGadget);
        GadgetDevice device = bus.make("other" + std::to_string(bus.others.size()), here);
        for (int i = 0; i < here; ++i)
            device.interfaces.push_back(bus.serve(device, static_cast<size_t>(i), mouseLayout()));
        // Only there to be enumerated: udev may catch up later.
        bus.bind(device, {0x046D, 0xC077, 0x7200, "Logitech", "USB Optical Mouse"}, false, false);
        bus.others.push_back(std::move(device));
        count -= here;
    }
}

void GadgetBus::typeOnKeyboardInterface(const std::vector<BootReport> &reports)
{
    std::lock_guard lock(impl_->mutex);
    if (!impl_->firmware || impl_->reader.interfaces.empty())
        return;
    for (const BootReport &report : reports)
        impl_->reader.interfaces[0]->send(bootBytes(report));
    if (!reports.empty()) {
        std::lock_guard held(impl_->heldMutex);
        impl_->held = reports.back();
    }
}

bool GadgetBus::keyboardGrabbed() const
{
    std::string node;
    {
        std::lock_guard lock(impl_->mutex);
        if (!impl_->reader.kernel)
            return false;
        node = impl_->reader.kernel->eventNode;
    }
    return openDescriptors(node) > 0;
}

std::string GadgetBus::keyboardNode() const
{
    std::lock_guard lock(impl_->mutex);
    return impl_->lastKeyboardNode;
}

void GadgetBus::plugOtherKeyboard()
{
    std::lock_guard lock(impl_->mutex);
    Impl &bus = *impl_;
    if (!bus.keyboard.gadget)
        bus.keyboard = bus.make("keyboard", 1);
    if (bus.keyboard.plugged())
        return;
    const std::string readerNode = bus.lastKeyboardNode;
    bus.keyboard.interfaces.push_back(bus.serve(bus.keyboard, 0, keyboardLayout(9)));
    bus.bind(bus.keyboard, {0x046D, 0xC31C, 0x0100, "Logitech", "USB Keyboard"}, true);
    bus.lastKeyboardNode = readerNode; // the reader's stays the one named
}

void GadgetBus::unplugOtherKeyboard()
{
    std::lock_guard lock(impl_->mutex);
    impl_->unplug(impl_->keyboard);
}

void GadgetBus::typeOnOtherKeyboard(const std::vector<BootReport> &reports)
{
    std::lock_guard lock(impl_->mutex);
    if (impl_->keyboard.interfaces.empty())
        return;
    for (const BootReport &report : reports)
        impl_->keyboard.interfaces[0]->send(bootBytes(report));
}

} // namespace readersim
