#include "HidrawNode.h"

#include "ClientBinding.h"
#include "GLibPtr.h"
#include "ReaderFirmware.h"

#include <umockdev.h>

#include <linux/hidraw.h>
#include <linux/input.h>
#include <sys/ioctl.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <stdexcept>

namespace readersim {
namespace {

// The kernel refuses transfers shorter than report ID plus one byte, and
// writes longer than its largest report buffer.
constexpr size_t MinReportLength = 2;
constexpr size_t MaxWriteLength = 16384; // HID_MAX_BUFFER_SIZE

// An ioctl number without its size bits, for the variable-length requests.
constexpr unsigned long withoutSize(unsigned long request)
{
    return request & ~(static_cast<unsigned long>(_IOC_SIZEMASK) << _IOC_SIZESHIFT);
}

struct Result {
    long value;
    int error;
};

Result fail(int error)
{
    return {-1, error};
}

using IoctlDataPtr = GObjectPtr<UMockdevIoctlData>;

// The caller's buffer of `size` bytes; written back when the ioctl completes.
IoctlDataPtr resolve(UMockdevIoctlData *arg, size_t size)
{
    GErrorPtr error;
    IoctlDataPtr data(umockdev_ioctl_data_resolve(arg, 0, size, GErrorOut(error)));
    if (data && static_cast<size_t>(data->data_len) < size)
        data.reset();
    return data;
}

// HIDIOCGRAWNAME and friends: the string with its NUL, cut to the buffer.
Result copyString(UMockdevIoctlData *arg, size_t size, const std::string &text)
{
    const size_t length = std::min(text.size() + 1, size);
    if (length == 0)
        return {0, 0};
    IoctlDataPtr data = resolve(arg, size);
    if (!data)
        return fail(EFAULT);
    std::memcpy(data->data, text.c_str(), length);
    return {static_cast<long>(length), 0};
}

} // namespace

struct HidrawNode::Device {
    std::mutex mutex; // held while an ioctl is answered and completed
    HidrawIdentity identity;
    ReaderFirmware *firmware = nullptr;      // feature reports
    ReaderFirmware *outputReports = nullptr; // what write() sends
    bool gone = false;

    Result answer(unsigned long request, UMockdevIoctlData *arg);
    Result feature(unsigned long request, UMockdevIoctlData *arg, size_t size);
    Result write(const uint8_t *report, size_t length);
};

struct HidrawNode::Shared {
    std::mutex mutex;
    std::shared_ptr<Device> current; // null while unplugged
};

Result HidrawNode::Device::answer(unsigned long request, UMockdevIoctlData *arg)
{
    if (gone)
        return fail(ENODEV);
    const std::vector<uint8_t> &descriptor = identity.reportDescriptor;
    if (request == HIDIOCGRDESCSIZE) {
        IoctlDataPtr data = resolve(arg, sizeof(int));
        if (!data)
            return fail(EFAULT);
        const int size = static_cast<int>(descriptor.size());
        std::memcpy(data->data, &size, sizeof size);
        return {0, 0};
    }
    if (request == HIDIOCGRDESC) {
        IoctlDataPtr data = resolve(arg, sizeof(hidraw_report_descriptor));
        if (!data)
            return fail(EFAULT);
        auto *rdesc = reinterpret_cast<hidraw_report_descriptor *>(data->data);
        if (rdesc->size > HID_MAX_DESCRIPTOR_SIZE - 1)
            return fail(EINVAL);
        std::copy_n(descriptor.begin(), std::min<size_t>(rdesc->size, descriptor.size()), rdesc->value);
        return {0, 0};
    }
    if (request == HIDIOCGRAWINFO) {
        IoctlDataPtr data = resolve(arg, sizeof(hidraw_devinfo));
        if (!data)
            return fail(EFAULT);
        const hidraw_devinfo info{BUS_USB, static_cast<__s16>(identity.vendorId),
                                  static_cast<__s16>(identity.productId)};
        std::memcpy(data->data, &info, sizeof info);
        return {0, 0};
    }
    if (_IOC_TYPE(request) != 'H')
        return fail(EINVAL); // as the kernel answers, e.g. to TCGETS
    const size_t size = _IOC_SIZE(request);
    switch (withoutSize(request)) {
    case withoutSize(HIDIOCGRAWNAME(0)):
        return copyString(arg, size, identity.name);
    case withoutSize(HIDIOCGRAWPHYS(0)):
        return copyString(arg, size, identity.phys);
    case withoutSize(HIDIOCGRAWUNIQ(0)):
        return copyString(arg, size, identity.uniq);
    case withoutSize(HIDIOCSFEATURE(0)):
    case withoutSize(HIDIOCGFEATURE(0)):
        return feature(request, arg, size);
    default:
        return fail(ENOTTY); // an 'H' request hidraw does not know
    }
}

Result HidrawNode::Device::feature(unsigned long request, UMockdevIoctlData *arg, size_t size)
{
    if (size < MinReportLength)
        return fail(EINVAL);
    IoctlDataPtr data = resolve(arg, size);
    if (!data)
        return fail(EFAULT);
    if (!firmware)
        return fail(EPIPE);
    const bool set = withoutSize(request) == withoutSize(HIDIOCSFEATURE(0));
    const bool ok = set ? firmware->setFeature(data->data, size) : firmware->getFeature(data->data, size);
    if (!ok)
        return fail(firmware->dropped() ? ENODEV : EPIPE); // a stall, or the reader left the bus
    return {static_cast<long>(size), 0};
}

// As the kernel's hidraw write() for a device without report IDs: the
// report ID byte comes first (the kernel strips a zero one before the
// transfer) and counts in the result. The firmware gets all bytes as given.
Result HidrawNode::Device::write(const uint8_t *report, size_t length)
{
    if (gone)
        return fail(ENODEV);
    if (length < MinReportLength || length > MaxWriteLength)
        return fail(EINVAL);
    if (!outputReports)
        return fail(EPIPE);
    outputReports->receiveOutputReport(report, length);
    if (outputReports->dropped())
        return fail(ENODEV);
    return {static_cast<long>(length), 0};
}

namespace {

constexpr const char *DeviceKey = "readersim-device";

// "client-connected": binds the client to the device plugged right now.
void onConnected(UMockdevIoctlBase *, UMockdevIoctlClient *client, gpointer userData)
{
    bindClient(client, DeviceKey, **static_cast<std::shared_ptr<HidrawNode::Shared> *>(userData));
}

HidrawNode::Device *boundDevice(UMockdevIoctlClient *client)
{
    return readersim::boundDevice<HidrawNode::Device>(client, DeviceKey);
}

// Answers a request of `client` with `answer(device)` under the device's
// lock. Every request must be completed, or the client waits forever.
template <typename Answer>
gboolean complete(UMockdevIoctlClient *client, Answer answer)
{
    HidrawNode::Device *device = boundDevice(client);
    if (!device) {
        umockdev_ioctl_client_complete(client, -1, ENODEV); // opened while unplugged
        return TRUE;
    }
    std::lock_guard lock(device->mutex);
    Result result{-1, EIO};
    try {
        result = answer(*device);
    } catch (...) {
        // An exception must not cross into GLib; the caller sees EIO.
    }
    umockdev_ioctl_client_complete(client, result.value, result.error);
    return TRUE;
}

// The handlers run on umockdev's worker thread.
gboolean onIoctl(UMockdevIoctlBase *, UMockdevIoctlClient *client, gpointer)
{
    return complete(client, [client](HidrawNode::Device &device) {
        return device.answer(umockdev_ioctl_client_get_request(client), umockdev_ioctl_client_get_arg(client));
    });
}

// write(): umockdev has already copied the caller's bytes into the arg.
gboolean onWrite(UMockdevIoctlBase *, UMockdevIoctlClient *client, gpointer)
{
    return complete(client, [client](HidrawNode::Device &device) {
        const UMockdevIoctlData *data = umockdev_ioctl_client_get_arg(client);
        return device.write(data->data, static_cast<size_t>(data->data_len));
    });
}

// read(): input reports wait in the PTY, where poll() sees them; an
// unhandled read falls through to it. Only a client whose device has gone
// gets ENODEV, as from the kernel.
gboolean onRead(UMockdevIoctlBase *, UMockdevIoctlClient *client, gpointer)
{
    HidrawNode::Device *device = boundDevice(client);
    if (device) {
        std::lock_guard lock(device->mutex);
        if (!device->gone)
            return FALSE;
    }
    umockdev_ioctl_client_complete(client, -1, ENODEV);
    return TRUE;
}

void releaseShared(gpointer userData, GClosure *)
{
    delete static_cast<std::shared_ptr<HidrawNode::Shared> *>(userData);
}

} // namespace

HidrawNode::HidrawNode(UMockdevTestbed *testbed, std::string devnode)
    : testbed_(testbed), devnode_(std::move(devnode)), shared_(std::make_shared<Shared>())
{
    // The base lives as long as a client holds the node open; the signals'
    // copy of the shared state goes with it.
    base_.reset(umockdev_ioctl_base_new());
    g_signal_connect_data(base_.get(), "client-connected", G_CALLBACK(onConnected),
                          new std::shared_ptr<Shared>(shared_), releaseShared, GConnectFlags{});
    g_signal_connect(base_.get(), "handle-ioctl", G_CALLBACK(onIoctl), nullptr);
    g_signal_connect(base_.get(), "handle-write", G_CALLBACK(onWrite), nullptr);
    g_signal_connect(base_.get(), "handle-read", G_CALLBACK(onRead), nullptr);
    GErrorPtr error;
    if (!umockdev_testbed_attach_ioctl(testbed_, devnode_.c_str(), base_.get(), GErrorOut(error)))
        throw std::runtime_error("cannot emulate ioctls on " + devnode_ + ": " +
                                 (error ? error->message : "unknown error"));
}

HidrawNode::~HidrawNode()
{
    unplug();
    GErrorPtr error;
    umockdev_testbed_detach_ioctl(testbed_, devnode_.c_str(), GErrorOut(error));
}

void HidrawNode::plug(HidrawIdentity identity, ReaderFirmware *features, ReaderFirmware *outputReports)
{
    auto device = std::make_shared<Device>();
    device->identity = std::move(identity);
    device->firmware = features;
    device->outputReports = outputReports;
    std::lock_guard lock(shared_->mutex);
    shared_->current = std::move(device);
}

void HidrawNode::unplug()
{
    std::shared_ptr<Device> device;
    {
        std::lock_guard lock(shared_->mutex);
        device = std::move(shared_->current);
    }
    if (device) {
        std::lock_guard lock(device->mutex); // waits for an ioctl in progress
        device->gone = true;
        device->firmware = nullptr;
        device->outputReports = nullptr;
    }
}

} // namespace readersim
