// The HID layer on Linux: libudev for enumeration and identity strings,
// hidraw ioctls for capabilities and feature reports, errno as the last
// error, and debug lines on stderr when KORVEL_DEBUG is set.
#include "../HidPlatform.h"
#include "ErrnoGuard.h"
#include "HidrawChanges.h"
#include "HidrawInterface.h"
#include "HidrawList.h"
#include "HidrawRawDevice.h"
#include "UdevMessageWindow.h"
#include "ReportDescriptor.h"
#include "Udev.h"
#include "UniqueFd.h"

#include <linux/hidraw.h>
#include <sys/ioctl.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <unistd.h>

namespace korvel::os {
namespace {

using namespace linux_udev;

constexpr const char *UdevRuleFile = "70-korvel.rules";
// The kernel encodes an ioctl's buffer size in 14 bits.
constexpr size_t MaxIoctlLength = (1u << 14) - 1;

std::string errorText(int error)
{
    char buffer[256];
    // GNU strerror_r returns a pointer that may or may not be `buffer`.
    return strerror_r(error, buffer, sizeof buffer);
}

// The node's report descriptor, read and parsed; nullopt when it cannot be
// read (errno as the ioctl left it) or makes no sense (EPROTO: a size the
// kernel should never give, or a malformed descriptor).
std::optional<ReportDescriptorFacts> readReportDescriptor(int fd)
{
    int size = 0;
    if (::ioctl(fd, HIDIOCGRDESCSIZE, &size) < 0)
        return std::nullopt;
    if (size < 0 || size > HID_MAX_DESCRIPTOR_SIZE) {
        errno = EPROTO;
        return std::nullopt;
    }
    hidraw_report_descriptor descriptor{};
    descriptor.size = static_cast<uint32_t>(size);
    if (::ioctl(fd, HIDIOCGRDESC, &descriptor) < 0)
        return std::nullopt;
    auto facts = parseReportDescriptor({descriptor.value, descriptor.size});
    if (!facts)
        errno = EPROTO;
    return facts;
}

class HidrawDevice final : public HidDevice {
public:
    HidrawDevice(TUniqueFd fd, std::string sysname, HidrawList &list)
        : fd_(std::move(fd)), sysname_(std::move(sysname)), list_(list)
    {
    }
    ~HidrawDevice() override
    {
        ErrnoGuard keep;
        fd_.reset();
    }
    HidrawDevice(const HidrawDevice &) = delete;
    HidrawDevice &operator=(const HidrawDevice &) = delete;

    bool getCaps(HidCaps &caps) override
    {
        const auto facts = readReportDescriptor(fd_.get());
        if (!facts)
            return false;
        caps = facts->caps;
        return true;
    }

    bool getManufacturerString(std::string &text) override
    {
        return list_.usbString(sysname_, "manufacturer", text);
    }

    bool getProductString(std::string &text) override
    {
        return list_.usbString(sysname_, "product", text);
    }

    bool getFeature(uint8_t *report, size_t length) override
    {
        if (!validLength(length))
            return false;
        return ::ioctl(fd_.get(), HIDIOCGFEATURE(length), report) >= 0;
    }

    bool setFeature(const uint8_t *report, size_t length) override
    {
        if (!validLength(length))
            return false;
        return ::ioctl(fd_.get(), HIDIOCSFEATURE(length), report) >= 0;
    }

private:
    static bool validLength(size_t length)
    {
        if (length == 0 || length > MaxIoctlLength) {
            errno = EINVAL;
            return false;
        }
        return true;
    }

    TUniqueFd fd_;
    std::string sysname_;
    HidrawList &list_;
};

class LinuxHidPlatform final : public HidPlatform {
public:
    bool listInterfaces(std::vector<std::string> &paths) override { return list_.paths(std::nullopt, paths); }

    bool listInterfacesOf(uint16_t vendorId, std::vector<std::string> &paths) override
    {
        return list_.paths(vendorId, paths);
    }

    bool keepsInterfaces() override { return list_.current(); }
    void forgetInterfaces() override { list_.forget(); }
    int64_t lastErrorValue() override { return errno; }
    void restoreLastError(int64_t value) override { errno = static_cast<int>(value); }

    std::unique_ptr<HidDevice> open(const std::string &path, Access access) override
    {
        std::string sysname;
        TUniqueFd fd = openNode(path, access == Access::ReadWrite ? O_RDWR : O_WRONLY, sysname);
        if (!fd)
            return nullptr;
        return std::make_unique<HidrawDevice>(std::move(fd), sysname, list_);
    }

    bool deviceInstanceId(const std::string &path, std::string &id) override
    {
        const auto sysname = hidrawNameOfPath(path);
        const auto instance = sysname ? list_.instanceId(*sysname) : std::nullopt;
        if (!instance)
            return false;
        id = *instance;
        return true;
    }

    std::shared_ptr<RawDevice> openRaw(const std::string &path) override
    {
        std::string sysname;
        TUniqueFd fd = openNode(path, O_RDWR | O_NONBLOCK, sysname);
        if (!fd)
            return nullptr;
        // Whether reports carry an ID byte decides how each one is framed:
        // a descriptor that cannot be read fails the open, as it fails
        // getCaps, rather than be guessed.
        const auto facts = readReportDescriptor(fd.get());
        if (!facts)
            return nullptr;
        return HidrawRawDevice::adopt(fd.release(), facts->reportIds);
    }

    std::unique_ptr<MessageWindow> createMessageWindow(std::function<void(const WindowMessage &)> handler) override
    {
        return std::make_unique<UdevMessageWindow>(std::move(handler), changes_);
    }

    void sleepMs(unsigned milliseconds) override
    {
        ErrnoGuard keep;
        timespec remaining{static_cast<time_t>(milliseconds / 1000),
                           static_cast<long>(milliseconds % 1000) * 1000000L};
        while (::nanosleep(&remaining, &remaining) < 0 && errno == EINTR) {
        }
    }

    void debugOutput(const std::string &line) override
    {
        ErrnoGuard keep;
        const char *debug = std::getenv("KORVEL_DEBUG");
        if (!debug || !*debug || std::strcmp(debug, "0") == 0)
            return;
        std::fprintf(stderr, "%s\n", line.c_str());
    }

    std::string lastErrorText() override
    {
        ErrnoGuard keep;
        return errorText(errno);
    }

    void setLastError(Failure failure) override
    {
        errno = failure == Failure::DeviceNotFound ? ENODEV : EINVAL;
    }

private:
    // Opens the hidraw node a device path names (close-on-exec), and its
    // name into `sysname`. A refused open names the udev rule on the debug
    // output: without it only root may open the reader's nodes.
    TUniqueFd openNode(const std::string &path, int flags, std::string &sysname)
    {
        const auto name = hidrawNameOfPath(path);
        if (!name) {
            errno = ENOENT;
            return {};
        }
        sysname = *name;
        const std::string node = list_.devnode(sysname);
        TUniqueFd fd(::open(node.c_str(), flags | O_CLOEXEC));
        if (!fd && (errno == EACCES || errno == EPERM)) {
            ErrnoGuard keep;
            debugOutput("Permission denied on " + node + ": install the udev rule " + UdevRuleFile +
                        " (in /usr/lib/udev/rules.d or /etc/udev/rules.d) and plug the reader in again");
        }
        return fd;
    }

    HidrawChanges changes_; // followed by the message window's monitor
    HidrawList list_{changes_};
};

} // namespace

std::unique_ptr<HidPlatform> createHidPlatform()
{
    return std::make_unique<LinuxHidPlatform>();
}

} // namespace korvel::os
