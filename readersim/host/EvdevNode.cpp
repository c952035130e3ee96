#include "EvdevNode.h"

#include "ClientBinding.h"
#include "UsageKeys.h"
#include "ReportStream.h"
#include "SysfsLayout.h"

#include <umockdev.h>

#include <fcntl.h>
#include <linux/input.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <stdexcept>

namespace readersim {
namespace {

constexpr int InputMajor = 13;
constexpr int FirstEventMinor = 64;
constexpr int EvdevVersion = 0x010001;
constexpr uint16_t HidVersion = 0x0111; // the bcdHID of the reader's HID descriptors
constexpr unsigned long EventBits = (1ul << EV_SYN) | (1ul << EV_KEY) | (1ul << EV_MSC) | (1ul << EV_LED) | (1ul << EV_REP);
constexpr size_t KeyBitBytes = (KEY_MAX + 8) / 8;

// The boot keyboard's usages: keys 0..0x65 and the modifiers E0..E7.
std::vector<uint8_t> keyBits()
{
    std::vector<uint8_t> bits(KeyBitBytes);
    auto set = [&](uint8_t usage) {
        if (const uint16_t key = KernelKeyOfUsage(usage))
            bits[key / 8] |= static_cast<uint8_t>(1u << (key % 8));
    };
    for (int usage = 0; usage <= 0x65; ++usage)
        set(static_cast<uint8_t>(usage));
    for (int usage = 0xE0; usage <= 0xE7; ++usage)
        set(static_cast<uint8_t>(usage));
    return bits;
}

std::string format(const char *pattern, auto... args)
{
    char buffer[256];
    std::snprintf(buffer, sizeof buffer, pattern, args...);
    return buffer;
}

struct Result {
    long value;
    int error;
};

using IoctlDataPtr = GObjectPtr<UMockdevIoctlData>;

} // namespace

struct EvdevNode::Device {
    std::mutex mutex;
    std::string name, phys;
    input_id id{};
    bool gone = false;
    // The client holding the grab. umockdev never tells of a client going
    // away, so a holder that closed the node is found out by asking it.
    GObjectPtr<UMockdevIoctlClient> grabber;
    bool grabHeld()
    {
        if (grabber && !umockdev_ioctl_client_get_connected(grabber.get()))
            grabber.reset(); // closed without letting go: the kernel lets go then
        return grabber != nullptr;
    }

    Result answer(UMockdevIoctlClient *client, unsigned long request, UMockdevIoctlData *arg);
};

struct EvdevNode::Shared {
    std::mutex mutex;
    std::shared_ptr<Device> current;
};

namespace {

// Copies `size` bytes of `bytes` (zero-padded) into the caller's buffer.
Result copyOut(UMockdevIoctlData *arg, const void *bytes, size_t length, size_t size, long result)
{
    GErrorPtr error;
    IoctlDataPtr data(umockdev_ioctl_data_resolve(arg, 0, size, GErrorOut(error)));
    if (!data || static_cast<size_t>(data->data_len) < size)
        return {-1, EFAULT};
    std::memset(data->data, 0, size);
    std::memcpy(data->data, bytes, std::min(length, size));
    return {result, 0};
}

// EVIOCGNAME and friends: the string with its NUL, cut to the buffer.
Result copyString(UMockdevIoctlData *arg, size_t size, const std::string &text)
{
    const size_t length = std::min(text.size() + 1, size);
    if (length == 0)
        return {0, 0};
    return copyOut(arg, text.c_str(), length, length, static_cast<long>(length));
}

// The ioctl's argument itself (EVIOCGRAB takes an int by value).
unsigned long valueOf(UMockdevIoctlData *arg)
{
    unsigned long value = 0;
    if (arg && static_cast<size_t>(arg->data_len) >= sizeof value)
        std::memcpy(&value, arg->data, sizeof value);
    return value;
}

constexpr unsigned long withoutSize(unsigned long request)
{
    return request & ~(static_cast<unsigned long>(_IOC_SIZEMASK) << _IOC_SIZESHIFT);
}

} // namespace

Result EvdevNode::Device::answer(UMockdevIoctlClient *client, unsigned long request, UMockdevIoctlData *arg)
{
    if (gone)
        return {-1, ENODEV};
    if (request == EVIOCGVERSION)
        return copyOut(arg, &EvdevVersion, sizeof EvdevVersion, sizeof(int), 0);
    if (request == EVIOCGID)
        return copyOut(arg, &id, sizeof id, sizeof id, 0);
    if (request == EVIOCGRAB) {
        if (valueOf(arg)) {
            if (grabHeld())
                return {-1, EBUSY};
            grabber.reset(UMOCKDEV_IOCTL_CLIENT(g_object_ref(client)));
            return {0, 0};
        }
        if (!grabHeld() || grabber.get() != client)
            return {-1, EINVAL};
        grabber.reset();
        return {0, 0};
    }
    if (request == EVIOCSCLOCKID)
        return {0, 0};
    if (_IOC_TYPE(request) != 'E' || _IOC_DIR(request) != _IOC_READ)
        return {-1, _IOC_TYPE(request) == 'E' ? EINVAL : ENOTTY};
    const size_t size = _IOC_SIZE(request);
    const unsigned long base = withoutSize(request);
    if (base == withoutSize(EVIOCGNAME(0)))
        return copyString(arg, size, name);
    if (base == withoutSize(EVIOCGPHYS(0)))
        return copyString(arg, size, phys);
    if (base == withoutSize(EVIOCGUNIQ(0)))
        return copyString(arg, size, "");
    // Nothing held, no LED lit, no switch, no property: all zero bits.
    if (base == withoutSize(EVIOCGKEY(0)) || base == withoutSize(EVIOCGLED(0)) || base == withoutSize(EVIOCGSW(0)) ||
        base == withoutSize(EVIOCGSND(0)) || base == withoutSize(EVIOCGPROP(0)))
        return copyOut(arg, "", 0, size, static_cast<long>(size));
    const unsigned nr = _IOC_NR(request);
    if (nr >= _IOC_NR(EVIOCGBIT(0, 0)) && nr <= _IOC_NR(EVIOCGBIT(EV_MAX, 0))) {
        const unsigned type = nr - _IOC_NR(EVIOCGBIT(0, 0));
        std::vector<uint8_t> bits;
        if (type == 0)
            bits = {static_cast<uint8_t>(EventBits), static_cast<uint8_t>(EventBits >> 8),
                    static_cast<uint8_t>(EventBits >> 16), static_cast<uint8_t>(EventBits >> 24)};
        else if (type == EV_KEY)
            bits = keyBits();
        else if (type == EV_MSC)
            bits = {1u << MSC_SCAN};
        else if (type == EV_LED)
            bits = {0x1F};
        // The kernel answers with the bytes it has, at most the buffer's size.
        const size_t length = std::min(size, std::max<size_t>(bits.size(), 1));
        return copyOut(arg, bits.data(), bits.size(), length, static_cast<long>(length));
    }
    return {-1, EINVAL};
}

namespace {

constexpr const char *DeviceKey = "readersim-evdev-device";

void onConnected(UMockdevIoctlBase *, UMockdevIoctlClient *client, gpointer userData)
{
    bindClient(client, DeviceKey, **static_cast<std::shared_ptr<EvdevNode::Shared> *>(userData));
}

EvdevNode::Device *boundDevice(UMockdevIoctlClient *client)
{
    return readersim::boundDevice<EvdevNode::Device>(client, DeviceKey);
}

gboolean onIoctl(UMockdevIoctlBase *, UMockdevIoctlClient *client, gpointer)
{
    EvdevNode::Device *device = boundDevice(client);
    if (!device) {
        umockdev_ioctl_client_complete(client, -1, ENODEV);
        return TRUE;
    }
    std::lock_guard lock(device->mutex);
    Result result{-1, EIO};
    try {
        result = device->answer(client, umockdev_ioctl_client_get_request(client), umockdev_ioctl_client_get_arg(client));
    } catch (...) {
        // Never into GLib; the caller sees EIO.
    }
    umockdev_ioctl_client_complete(client, result.value, result.error);
    return TRUE;
}

// read(): the events wait in the PTY; only a client whose plug has gone gets ENODEV.
gboolean onRead(UMockdevIoctlBase *, UMockdevIoctlClient *client, gpointer)
{
    if (EvdevNode::Device *device = boundDevice(client)) {
        std::lock_guard lock(device->mutex);
        if (!device->gone)
            return FALSE;
    }
    umockdev_ioctl_client_complete(client, -1, ENODEV);
    return TRUE;
}

void releaseShared(gpointer userData, GClosure *)
{
    delete static_cast<std::shared_ptr<EvdevNode::Shared> *>(userData);
}

} // namespace

EvdevNode::EvdevNode(UMockdevTestbed *testbed, int number)
    : testbed_(testbed), number_(number), shared_(std::make_shared<Shared>())
{
    base_.reset(umockdev_ioctl_base_new());
    g_signal_connect_data(base_.get(), "client-connected", G_CALLBACK(onConnected),
                          new std::shared_ptr<Shared>(shared_), releaseShared, GConnectFlags{});
    g_signal_connect(base_.get(), "handle-ioctl", G_CALLBACK(onIoctl), nullptr);
    g_signal_connect(base_.get(), "handle-read", G_CALLBACK(onRead), nullptr);
    GErrorPtr error;
    if (!umockdev_testbed_attach_ioctl(testbed_, devnode().c_str(), base_.get(), GErrorOut(error)))
        throw std::runtime_error("cannot emulate ioctls on " + devnode() + ": " +
                                 (error ? error->message : "unknown error"));
    repeater_ = std::thread([this] { repeatKeys(); }); // last: nothing throws after it
}

EvdevNode::~EvdevNode()
{
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    repeatChanged_.notify_all();
    repeater_.join();
    unplug();
    GErrorPtr error;
    umockdev_testbed_detach_ioctl(testbed_, devnode().c_str(), GErrorOut(error));
}

std::string EvdevNode::devnode() const
{
    return "/dev/input/event" + std::to_string(number_);
}

EvdevNode::Layout EvdevNode::plug(const std::string &hidSyspath, const UsbDeviceModel &model, int port)
{
    std::lock_guard lock(mutex_);
    auto device = std::make_shared<Device>();
    // hid-generic gives each application collection its own input device,
    // named after the collection unless the name says it already.
    device->name = hidName(model.manufacturer, model.product, model.vendorId, model.productId);
    const std::string suffix = "Keyboard";
    if (device->name.size() < suffix.size() || device->name.compare(device->name.size() - suffix.size(), suffix.size(), suffix) != 0)
        device->name += " " + suffix;
    device->phys = format("usb-0000:00:14.0-%d/input0", port);
    device->id = {BUS_USB, model.vendorId, model.productId, HidVersion}; // usbhid: bcdHID, not bcdDevice
    {
        std::lock_guard shared(shared_->mutex);
        shared_->current = device;
    }
    if (pty_) {
        // umockdev keeps the PTY after a removal and refuses to make the node
        // again: the name points at the same PTY instead.
        const std::string root = GCharPtr(umockdev_testbed_get_root_dir(testbed_)).get();
        ::mkdir((root + "/dev/input").c_str(), 0755); // gone with the last node in it
        const std::string node = root + devnode();
        if (::symlink(pty_->c_str(), node.c_str()) != 0 && errno != EEXIST)
            throw std::runtime_error("cannot create " + devnode() + ": " + std::strerror(errno));
    }
    const std::string devpath = hidSyspath.substr(std::strlen("/sys"));
    inputSequence_ += 2; // numbers no other node's plug takes
    const std::string input = devpath + format("/input/input%d", inputSequence_ + number_);
    const std::string event = input + format("/event%d", number_);
    const std::string product = format("3/%x/%x/%x", model.vendorId, model.productId, HidVersion);
    Layout layout;
    layout.records = "P: " + input + "\nE: SUBSYSTEM=input\nE: PRODUCT=" + product + "\nE: NAME=\"" + device->name +
                     "\"\nE: PHYS=\"" + device->phys + "\"\nE: UNIQ=\"\"\nE: PROP=0\nE: EV=120013\nE: MSC=10\n"
                     "E: LED=1f\nE: ID_INPUT=1\nE: ID_INPUT_KEY=1\nE: ID_INPUT_KEYBOARD=1\nA: name=" +
                     device->name + "\\n\nA: phys=" + device->phys + "\\n\nA: uniq=\\n\n\n";
    layout.records += "P: " + event + "\nE: SUBSYSTEM=input\nE: MAJOR=" + std::to_string(InputMajor) +
                      "\nE: MINOR=" + std::to_string(FirstEventMinor + number_) + "\nE: DEVNAME=" + devnode() +
                      "\nE: ID_INPUT=1\nE: ID_INPUT_KEY=1\nE: ID_INPUT_KEYBOARD=1\nA: dev=" +
                      format("%d:%d", InputMajor, FirstEventMinor + number_) + "\n" +
                      (pty_ ? "" : format("N: input/event%d\n", number_)) +
                      "\n";
    layout.syspaths = {"/sys" + input, "/sys" + event};
    return layout;
}

void EvdevNode::plugged()
{
    std::lock_guard lock(mutex_);
    if (!pty_) {
        master_ = umockdev_testbed_get_dev_fd(testbed_, devnode().c_str());
        char name[128];
        if (master_ < 0 || ::ptsname_r(master_, name, sizeof name) != 0)
            throw std::runtime_error("umockdev made no PTY for " + devnode());
        pty_ = name;
        ::fcntl(master_, F_SETFD, FD_CLOEXEC);
    }
    const ReportStream stream(master_, *pty_);
    stream.configure(sizeof(input_event));
    stream.discard();
    kernel_.reset();
    plugged_ = true;
}


void EvdevNode::unplug()
{
    std::shared_ptr<Device> device;
    {
        std::lock_guard shared(shared_->mutex);
        device = std::move(shared_->current);
    }
    if (device) {
        std::lock_guard lock(device->mutex); // waits for an ioctl in progress
        device->gone = true;
        device->grabber.reset();
    }
    std::lock_guard lock(mutex_);
    plugged_ = false;
}

void EvdevNode::writeEvents(const std::vector<input_event> &events)
{
    const ReportStream stream(master_, *pty_);
    if (stream.opened() && !events.empty())
        stream.write(reinterpret_cast<const uint8_t *>(events.data()), events.size() * sizeof(input_event));
}

void EvdevNode::type(const std::vector<BootReport> &reports)
{
    std::lock_guard lock(mutex_);
    if (!plugged_)
        return;
    for (const BootReport &report : reports) {
        timeval now{};
        ::gettimeofday(&now, nullptr);
        const uint16_t before = kernel_.repeating();
        const std::vector<input_event> events = kernel_.frame(report, now);
        writeEvents(events);
        if (kernel_.repeating() && kernel_.repeating() != before)
            repeatAt_ = std::chrono::steady_clock::now() + std::chrono::milliseconds(250);
    }
    repeatChanged_.notify_all();
}

void EvdevNode::repeatKeys()
{
    std::unique_lock lock(mutex_);
    while (!stopping_) {
        if (!plugged_ || !kernel_.repeating()) {
            repeatChanged_.wait(lock);
            continue;
        }
        if (repeatChanged_.wait_until(lock, repeatAt_) != std::cv_status::timeout)
            continue; // something changed: look again
        if (!plugged_ || !kernel_.repeating() || std::chrono::steady_clock::now() < repeatAt_)
            continue;
        timeval now{};
        ::gettimeofday(&now, nullptr);
        writeEvents({{now, EV_KEY, kernel_.repeating(), 2}, {now, EV_SYN, SYN_REPORT, 0}});
        repeatAt_ += std::chrono::milliseconds(33);
    }
}

bool EvdevNode::grabbed() const
{
    std::lock_guard shared(shared_->mutex);
    if (!shared_->current)
        return false;
    std::lock_guard lock(shared_->current->mutex);
    return shared_->current->grabHeld();
}

} // namespace readersim
