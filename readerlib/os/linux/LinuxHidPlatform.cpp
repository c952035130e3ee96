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

class HidrawDevice final : public HidDevice {
public:
    HidrawDevice(int fd, std::string sysname, HidrawList &list) : fd_(fd), sysname_(std::move(sysname)), list_(list)
    {
    }
    ~HidrawDevice() override
    {
        ErrnoGuard keep;
        ::close(fd_);
    }
    HidrawDevice(const HidrawDevice &) = delete;
    HidrawDevice &operator=(const HidrawDevice &) = delete;

    bool getCaps(HidCaps &caps) override
    {
        int size = 0;
        if (::ioctl(fd_, HIDIOCGRDESCSIZE, &size) < 0)
            return false;
        hidraw_report_descriptor descriptor{};
        if (size < 0 || size > HID_MAX_DESCRIPTOR_SIZE) {
            errno = EPROTO;
            return false;
        }
        descriptor.size = static_cast<uint32_t>(size);
        if (::ioctl(fd_, HIDIOCGRDESC, &descriptor) < 0)
            return false;
        const auto parsed = capsFromReportDescriptor({descriptor.value, descriptor.size});
        if (!parsed) {
            errno = EPROTO;
            return false;
        }
        caps = *parsed;
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
        return ::ioctl(fd_, HIDIOCGFEATURE(length), report) >= 0;
    }

    bool setFeature(const uint8_t *report, size_t length) override
    {
        if (!validLength(length))
            return false;
        return ::ioctl(fd_, HIDIOCSFEATURE(length), report) >= 0;
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

    int fd_;
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
        const auto sysname = hidrawNameOfPath(path);
        if (!sysname) {
            errno = ENOENT;
            return nullptr;
        }
        const std::string node = list_.devnode(*sysname);
        const int flags = (access == Access::ReadWrite ? O_RDWR : O_WRONLY) | O_CLOEXEC;
        const int fd = ::open(node.c_str(), flags);
        if (fd < 0) {
            if (errno == EACCES || errno == EPERM) {
                ErrnoGuard keep;
                debugOutput("Permission denied on " + node + ": install the udev rule " + UdevRuleFile +
                            " (in /usr/lib/udev/rules.d or /etc/udev/rules.d) and plug the reader in again");
            }
            return nullptr;
        }
        return std::make_unique<HidrawDevice>(fd, *sysname, list_);
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
        const auto sysname = hidrawNameOfPath(path);
        if (!sysname) {
            errno = ENOENT;
            return nullptr;
        }
        const std::string node = list_.devnode(*sysname);
        const int fd = ::open(node.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            return nullptr;
        bool numbered = false;
        int size = 0;
        hidraw_report_descriptor descriptor{};
        if (::ioctl(fd, HIDIOCGRDESCSIZE, &size) == 0 && size > 0 && size <= HID_MAX_DESCRIPTOR_SIZE) {
            descriptor.size = static_cast<uint32_t>(size);
            if (::ioctl(fd, HIDIOCGRDESC, &descriptor) == 0)
                numbered = usesReportIds({descriptor.value, descriptor.size});
        }
        return HidrawRawDevice::adopt(fd, numbered);
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
    HidrawChanges changes_; // followed by the message window's monitor
    HidrawList list_{changes_};
};

} // namespace

std::unique_ptr<HidPlatform> createHidPlatform()
{
    return std::make_unique<LinuxHidPlatform>();
}

} // namespace korvel::os
