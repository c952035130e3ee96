#include "UmockdevBus.h"
#include "VirtualBus.h"

#include "EarlyMonitors.h"
#include "EvdevNode.h"
#include "GLibPtr.h"
#include "HidrawNode.h"
#include "OpenFiles.h"
#include "RawInputSink.h"
#include "ReaderFirmware.h"
#include "ReportDescriptors.h"
#include "ReportStream.h"
#include "SysfsLayout.h"
#include "TaskThread.h"
#include "UeventGuard.h"
#include "UniqueFd.h"

#include <umockdev.h>

#include <fcntl.h>
#include <pty.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <stdexcept>
#include <vector>

namespace readersim {
namespace {

constexpr const char *PreloadLibrary = UmockdevPreload;
constexpr int ReaderPort = 1;
constexpr int MousePort = 2;
constexpr int FirstOtherPort = 3;
constexpr int KeyboardPort = 99; // after any other device's
constexpr int MaxDevnum = 127;
// The reader's interfaces, in the order of readerModel().
constexpr size_t FeatureInterface = 0;
constexpr size_t RawInterface = 1;

bool preloadActive()
{
    const char *preload = std::getenv("LD_PRELOAD");
    return preload && std::strstr(preload, PreloadLibrary);
}

// umockdev backs every device node with a pseudo-terminal and aborts the
// process when it cannot open one: find out first, and say what is missing.
void requirePseudoTerminals()
{
    int master = -1, slave = -1;
    if (::openpty(&master, &slave, nullptr, nullptr, nullptr) != 0)
        throw std::runtime_error(std::string("cannot open a pseudo-terminal (") + std::strerror(errno) +
                                 "): the virtual bus needs one per device node; is devpts mounted on /dev/pts?");
    const TUniqueFd ownMaster(master), ownSlave(slave);
}

UsbDeviceModel readerModel(const ReaderFirmware &firmware)
{
    const ReaderIdentity identity = firmware.identity();
    UsbDeviceModel model;
    model.vendorId = identity.vendorId;
    model.productId = identity.productId;
    model.bcdDevice = 0x0100;
    model.manufacturer = identity.manufacturer;
    model.product = identity.product;
    model.interfaces = {
        {1, 1, 1, readerKeyboardDescriptor(firmware.featureReportLength())}, // boot keyboard
        {0, 0, 2, readerRawDescriptor()},
    };
    return model;
}

// Another USB keyboard, whose keys a listener of the reader must not take.
UsbDeviceModel keyboardModel()
{
    UsbDeviceModel model;
    model.vendorId = 0x046D;
    model.productId = 0xC31C;
    model.manufacturer = "Logitech";
    model.product = "USB Keyboard";
    model.interfaces = {{1, 1, 1, readerKeyboardDescriptor(9)}}; // boot keyboard
    return model;
}

UsbDeviceModel mouseModel()
{
    UsbDeviceModel model;
    model.vendorId = 0x046D;
    model.productId = 0xC077;
    model.bcdDevice = 0x7200;
    model.manufacturer = "Logitech";
    model.product = "USB Optical Mouse";
    model.interfaces = {{1, 2, 1, mouseDescriptor()}}; // boot mouse
    return model;
}

std::string hidrawNode(int minor)
{
    return "/dev/hidraw" + std::to_string(minor);
}

// A device on the bus: its sysfs entries and hidraw numbers.
struct PluggedDevice {
    std::vector<std::string> syspaths; // parents first
    std::vector<int> minors;
};

} // namespace

struct UmockdevBus::Impl {
    GObjectPtr<UMockdevTestbed> testbed;
    std::string root;
    std::shared_ptr<TaskThread> tasks = std::make_shared<TaskThread>();

    mutable std::mutex mutex; // guards the members below and every testbed call
    int devnum = 1;           // the root hub's
    int hidSequence = 0;
    std::set<int> minorsInUse;
    std::map<int, std::unique_ptr<HidrawNode>> nodes; // by minor, kept once made
    // umockdev 0.17 keeps the PTY behind /dev/hidrawN after the device is
    // removed and aborts when a node of that name is created again; a later
    // plug links the name to the same PTY instead.
    std::map<int, std::string> ptyOfMinor;
    std::map<int, int> masterOfMinor; // the PTY masters, umockdev's
    std::optional<PluggedDevice> reader;
    ReaderFirmware *readerFirmware = nullptr;
    uint64_t readerPlugs = 0; // tells a late drop of an earlier plug apart
    std::optional<PluggedDevice> mouse;
    std::vector<PluggedDevice> others;
    int nextOtherPort = FirstOtherPort;
    std::unique_ptr<EvdevNode> readerInput; // interface 0 as an input device; made once
    bool readerInputNode = true;            // plugged with the reader
    std::unique_ptr<EvdevNode> keyboardInput; // the other keyboard's
    std::optional<PluggedDevice> keyboard;

    Impl();
    ~Impl();

    PluggedDevice plug(const UsbDeviceModel &model, int port, ReaderFirmware *firmware, EvdevNode *input = nullptr);
    void unplug(PluggedDevice &device);
    void unplugReaderLocked();
    void readerDropped(uint64_t plug);

    int takeMinor();
    HidrawNode &nodeFor(int minor);
    void linkExistingNode(int minor);
    void rememberNode(int minor);
    ReportStream streamOf(int minor) const;
    void setUpStreams(const PluggedDevice &device, bool reader);
};

UmockdevBus::Impl::Impl()
{
    if (!preloadActive())
        throw std::runtime_error(std::string("VirtualBus needs ") + PreloadLibrary +
                                 " in LD_PRELOAD from the process start (see UmockdevBus::ensurePreload)");
    (void)droppedUevents(); // links the guard against umockdev's abort on a full monitor
    requirePseudoTerminals();
    testbed.reset(umockdev_testbed_new());
    if (!testbed)
        throw std::runtime_error("cannot create the umockdev testbed");
    root = GCharPtr(umockdev_testbed_get_root_dir(testbed.get())).get();
    adoptEarlyMonitors(root);
    GErrorPtr error;
    if (!umockdev_testbed_add_from_string(testbed.get(), hostControllerRecords().c_str(), GErrorOut(error)))
        throw std::runtime_error(std::string("cannot add the USB host controller: ") + error->message);
    readerInput = std::make_unique<EvdevNode>(testbed.get(), 0);
    keyboardInput = std::make_unique<EvdevNode>(testbed.get(), 1);
}

UmockdevBus::Impl::~Impl()
{
    tasks->stop(); // no drop job runs from here on
    std::lock_guard lock(mutex);
    unplugReaderLocked();
    if (mouse)
        unplug(*mouse);
    for (PluggedDevice &device : others)
        unplug(device);
    if (keyboard) {
        keyboardInput->unplug();
        unplug(*keyboard);
    }
    nodes.clear(); // before the testbed goes
}

int UmockdevBus::Impl::takeMinor()
{
    int minor = 0; // the lowest free one, as the kernel does
    while (minorsInUse.count(minor))
        ++minor;
    minorsInUse.insert(minor);
    return minor;
}

HidrawNode &UmockdevBus::Impl::nodeFor(int minor)
{
    auto found = nodes.find(minor);
    if (found == nodes.end())
        found = nodes.emplace(minor, std::make_unique<HidrawNode>(testbed.get(), hidrawNode(minor))).first;
    return *found->second;
}

void UmockdevBus::Impl::linkExistingNode(int minor)
{
    const std::string node = hidrawNode(minor);
    if (::symlink(ptyOfMinor.at(minor).c_str(), (root + node).c_str()) != 0)
        throw std::runtime_error("cannot create " + node + ": " + std::strerror(errno));
}

void UmockdevBus::Impl::rememberNode(int minor)
{
    const std::string node = hidrawNode(minor);
    const int master = umockdev_testbed_get_dev_fd(testbed.get(), node.c_str());
    char name[128];
    if (master < 0 || ::ptsname_r(master, name, sizeof name) != 0)
        throw std::runtime_error("umockdev made no PTY for " + node);
    ptyOfMinor[minor] = name;
    masterOfMinor[minor] = master;
    ::fcntl(master, F_SETFD, FD_CLOEXEC); // not for the commands run on the bus
}

ReportStream UmockdevBus::Impl::streamOf(int minor) const
{
    return ReportStream(masterOfMinor.at(minor), ptyOfMinor.at(minor));
}

void UmockdevBus::Impl::setUpStreams(const PluggedDevice &device, bool reader)
{
    for (size_t i = 0; i < device.minors.size(); ++i) {
        const ReportStream stream = streamOf(device.minors[i]);
        // Only the reader's raw interface carries input reports here.
        stream.configure(reader && i == RawInterface ? RawInputSink::ReadLength : 1);
        // Bytes queued for the previous device must not reach the new one.
        stream.discard();
    }
}

PluggedDevice UmockdevBus::Impl::plug(const UsbDeviceModel &model, int port, ReaderFirmware *firmware, EvdevNode *input)
{
    devnum = devnum % MaxDevnum + 1;
    BusPlacement placement{port, devnum, {}, {}, {}};
    for (size_t i = 0; i < model.interfaces.size(); ++i) {
        const int minor = takeMinor();
        placement.hidSequence.push_back(++hidSequence);
        placement.hidrawMinor.push_back(minor);
        placement.createNode.push_back(!ptyOfMinor.count(minor));
    }
    DeviceLayout layout = layoutUsbDevice(model, placement);
    if (input) { // the keyboard interface's input device, under its hid device
        const EvdevNode::Layout added = input->plug(layout.syspaths.at(2), model, port);
        layout.records += added.records;
        layout.syspaths.insert(layout.syspaths.end(), added.syspaths.begin(), added.syspaths.end());
    }
    PluggedDevice device{layout.syspaths, placement.hidrawMinor};
    try {
        // Nodes first: add_from_string sends the "add" uevents.
        for (size_t i = 0; i < layout.nodes.size(); ++i) {
            nodeFor(placement.hidrawMinor[i])
                .plug(layout.nodes[i], i == FeatureInterface ? firmware : nullptr,
                      i == RawInterface ? firmware : nullptr);
            if (!placement.createNode[i])
                linkExistingNode(placement.hidrawMinor[i]);
        }
        GErrorPtr error;
        if (!umockdev_testbed_add_from_string(testbed.get(), layout.records.c_str(), GErrorOut(error)))
            throw std::runtime_error(std::string("cannot add a device to the bus: ") + error->message);
        for (size_t i = 0; i < layout.nodes.size(); ++i)
            if (placement.createNode[i])
                rememberNode(placement.hidrawMinor[i]);
        setUpStreams(device, firmware != nullptr);
        if (input)
            input->plugged();
    } catch (...) {
        if (input)
            input->unplug();
        for (int minor : device.minors) {
            if (const auto node = nodes.find(minor); node != nodes.end())
                node->second->unplug();
            minorsInUse.erase(minor);
        }
        throw;
    }
    return device;
}

void UmockdevBus::Impl::unplug(PluggedDevice &device)
{
    for (int minor : device.minors)
        nodes.at(minor)->unplug(); // clients holding the node open get ENODEV from now on
    const std::vector<std::string> order = kernelRemovalOrder(device.syspaths);
    for (const std::string &path : order)
        umockdev_testbed_uevent(testbed.get(), path.c_str(), "remove");
    for (const std::string &path : order)
        umockdev_testbed_remove_device(testbed.get(), path.c_str());
    for (int minor : device.minors)
        minorsInUse.erase(minor);
    device = {};
}

void UmockdevBus::Impl::unplugReaderLocked()
{
    if (!reader)
        return;
    readerFirmware->setOnDropped({});
    readerFirmware->setInputReportSink({}); // waits for a report being written
    readerInput->unplug();
    unplug(*reader);
    reader.reset();
    readerFirmware = nullptr;
}

void UmockdevBus::Impl::readerDropped(uint64_t plug)
{
    std::lock_guard lock(mutex);
    if (reader && plug == readerPlugs)
        unplugReaderLocked();
}

UmockdevBus::UmockdevBus() : impl_(std::make_unique<Impl>()) {}

UmockdevBus::~UmockdevBus() = default;

void UmockdevBus::ensurePreload(int argc, char **argv)
{
    if (preloadActive() || argc < 1)
        return;
    const char *previous = std::getenv("LD_PRELOAD");
    std::string preload = PreloadLibrary;
    if (previous && *previous)
        preload += std::string(":") + previous;
    ::setenv("LD_PRELOAD", preload.c_str(), 1);
    stageEarlyMonitors();
    ::execv("/proc/self/exe", argv);
    throw std::runtime_error(std::string("cannot re-execute under the umockdev preload: ") + std::strerror(errno));
}


void UmockdevBus::setReaderInputNode(bool present)
{
    std::lock_guard lock(impl_->mutex);
    impl_->readerInputNode = present;
}

void UmockdevBus::plugReader(ReaderFirmware &firmware)
{
    std::lock_guard lock(impl_->mutex);
    if (impl_->reader)
        return;
    // The firmware drops off the bus inside an ioctl handler, on umockdev's
    // worker thread, while that handler holds its node: the unplug runs
    // later on the task thread, once the handler has completed the ioctl.
    // Set before the plug, so that a transfer right after the "add" uevent
    // cannot drop unseen.
    const uint64_t plugNumber = ++impl_->readerPlugs;
    std::weak_ptr<TaskThread> tasks = impl_->tasks;
    Impl *impl = impl_.get();
    firmware.setOnDropped([tasks, impl, plugNumber] {
        if (auto thread = tasks.lock())
            thread->post([impl, plugNumber] { impl->readerDropped(plugNumber); });
    });
    try {
        impl_->reader = impl_->plug(readerModel(firmware), ReaderPort, &firmware,
                                    impl_->readerInputNode ? impl_->readerInput.get() : nullptr);
    } catch (...) {
        firmware.setOnDropped({});
        throw;
    }
    impl_->readerFirmware = &firmware;
    const int rawMinor = impl_->reader->minors.at(RawInterface);
    firmware.setInputReportSink(RawInputSink(impl_->streamOf(rawMinor)));
}

void UmockdevBus::unplugReader()
{
    std::lock_guard lock(impl_->mutex);
    impl_->unplugReaderLocked();
}

bool UmockdevBus::readerPlugged() const
{
    std::lock_guard lock(impl_->mutex);
    return impl_->reader.has_value();
}

int UmockdevBus::openCount(int readerInterface) const
{
    std::string pty;
    {
        std::lock_guard lock(impl_->mutex);
        const auto &reader = impl_->reader;
        if (!reader || readerInterface < 0 || static_cast<size_t>(readerInterface) >= reader->minors.size())
            return 0;
        pty = impl_->ptyOfMinor.at(reader->minors[readerInterface]);
    }
    // Each open() of the node opens the PTY behind it, at once; umockdev
    // accepts the ioctl connection only later.
    return openDescriptors(pty);
}

void UmockdevBus::plugMouse()
{
    std::lock_guard lock(impl_->mutex);
    if (!impl_->mouse)
        impl_->mouse = impl_->plug(mouseModel(), MousePort, nullptr);
}

void UmockdevBus::unplugMouse()
{
    std::lock_guard lock(impl_->mutex);
    if (impl_->mouse) {
        impl_->unplug(*impl_->mouse);
        impl_->mouse.reset();
    }
}

bool UmockdevBus::mousePlugged() const
{
    std::lock_guard lock(impl_->mutex);
    return impl_->mouse.has_value();
}

void UmockdevBus::addOtherHidDevices(int count)
{
    std::lock_guard lock(impl_->mutex);
    for (int i = 0; i < count; ++i)
        impl_->others.push_back(impl_->plug(mouseModel(), impl_->nextOtherPort++, nullptr));
}

void UmockdevBus::typeOnKeyboardInterface(const std::vector<BootReport> &reports)
{
    impl_->readerInput->type(reports);
}

bool UmockdevBus::keyboardGrabbed() const
{
    return impl_->readerInput->grabbed();
}

void UmockdevBus::plugOtherKeyboard()
{
    std::lock_guard lock(impl_->mutex);
    if (!impl_->keyboard)
        impl_->keyboard = impl_->plug(keyboardModel(), KeyboardPort, nullptr, impl_->keyboardInput.get());
}

void UmockdevBus::unplugOtherKeyboard()
{
    std::lock_guard lock(impl_->mutex);
    if (impl_->keyboard) {
        impl_->keyboardInput->unplug();
        impl_->unplug(*impl_->keyboard);
        impl_->keyboard.reset();
    }
}

void UmockdevBus::typeOnOtherKeyboard(const std::vector<BootReport> &reports)
{
    impl_->keyboardInput->type(reports);
}

std::string UmockdevBus::keyboardNode() const
{
    return impl_->readerInput->devnode();
}

std::string UmockdevBus::root() const
{
    return impl_->root;
}

} // namespace readersim
