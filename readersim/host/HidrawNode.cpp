#include "HidrawNode.h"

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

// The kernel refuses feature transfers shorter than report ID plus one byte.
constexpr size_t MinFeatureLength = 2;

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
    ReaderFirmware *firmware = nullptr;
    bool gone = false;

    Result answer(unsigned long request, UMockdevIoctlData *arg);
    Result feature(unsigned long request, UMockdevIoctlData *arg, size_t size);
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
    if (size < MinFeatureLength)
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

namespace {

using DevicePtr = std::shared_ptr<HidrawNode::Device>;
constexpr const char *DeviceKey = "readersim-device";

// "client-connected": binds the client to the device plugged right now.
void onConnected(UMockdevIoctlBase *, UMockdevIoctlClient *client, gpointer userData)
{
    auto &shared = **static_cast<std::shared_ptr<HidrawNode::Shared> *>(userData);
    std::lock_guard lock(shared.mutex);
    g_object_set_data_full(G_OBJECT(client), DeviceKey, new DevicePtr(shared.current),
                           [](gpointer device) { delete static_cast<DevicePtr *>(device); });
}

// "handle-ioctl" runs on umockdev's worker thread and must complete every
// request, or the client waits forever.
gboolean onIoctl(UMockdevIoctlBase *, UMockdevIoctlClient *client, gpointer)
{
    const auto *bound = static_cast<DevicePtr *>(g_object_get_data(G_OBJECT(client), DeviceKey));
    if (!bound || !*bound) {
        umockdev_ioctl_client_complete(client, -1, ENODEV); // opened while unplugged
        return TRUE;
    }
    HidrawNode::Device &device = **bound;
    std::lock_guard lock(device.mutex);
    Result result{-1, EIO};
    try {
        result = device.answer(umockdev_ioctl_client_get_request(client), umockdev_ioctl_client_get_arg(client));
    } catch (...) {
        // An exception must not cross into GLib; the caller sees EIO.
    }
    umockdev_ioctl_client_complete(client, result.value, result.error);
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
    // Raw reports of interface 1 connect "handle-read" and "handle-write" here.
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

void HidrawNode::plug(HidrawIdentity identity, ReaderFirmware *firmware)
{
    auto device = std::make_shared<Device>();
    device->identity = std::move(identity);
    device->firmware = firmware;
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
    }
}

} // namespace readersim
