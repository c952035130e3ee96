#include "FirmwarePlatform.h"

#include <algorithm>
#include <atomic>

namespace korvel::testing {
namespace {

class FakeDevice final : public os::HidDevice {
public:
    FakeDevice(FirmwarePlatform &platform, bool reader) : platform_(platform), reader_(reader)
    {
        ++platform_.openDevices;
    }
    ~FakeDevice() override { --platform_.openDevices; }

    bool getCaps(os::HidCaps &caps) override
    {
        if (platform_.capsFail)
            return fail(ErrTransfer);
        caps = {};
        caps.FeatureReportByteLength =
            reader_ ? static_cast<uint16_t>(platform_.firmware.featureReportLength()) : 0;
        return true;
    }
    bool getManufacturerString(std::string &text) override
    {
        if (platform_.manufacturerFails)
            return fail(ErrTransfer);
        text = platform_.manufacturer;
        return true;
    }
    bool getProductString(std::string &text) override
    {
        if (platform_.productFails)
            return fail(ErrTransfer);
        text = platform_.product;
        return true;
    }
    bool getFeature(uint8_t *report, size_t length) override
    {
        if (platform_.failTransfers.count(platform_.transferCount++))
            return fail(ErrTransfer);
        return (reader_ && platform_.firmware.getFeature(report, length)) || fail(ErrTransfer);
    }
    bool setFeature(const uint8_t *report, size_t length) override
    {
        if (platform_.failTransfers.count(platform_.transferCount++))
            return fail(ErrTransfer);
        return (reader_ && platform_.firmware.setFeature(report, length)) || fail(ErrTransfer);
    }

private:
    bool fail(int error)
    {
        platform_.lastError = error;
        return false;
    }

    FirmwarePlatform &platform_;
    bool reader_;
};

class FakeRawDevice final : public os::RawDevice {
public:
    explicit FakeRawDevice(FirmwarePlatform &platform) : platform_(platform) {}

    ReadResult readReport(uint8_t *report, size_t length, unsigned) override
    {
        std::lock_guard guard(platform_.rawLock);
        if (interrupted_)
            return ReadResult::Failed;
        if (platform_.inputReports.empty())
            return ReadResult::TimedOut;
        std::copy_n(platform_.inputReports.front().begin(), std::min<size_t>(length, 65), report);
        platform_.inputReports.pop_front();
        return ReadResult::Report;
    }
    bool writeReport(const uint8_t *report, size_t length, unsigned) override
    {
        std::lock_guard guard(platform_.rawLock);
        if (interrupted_ || platform_.rawWritesFail)
            return false;
        FirmwarePlatform::RawReport copy{};
        std::copy_n(report, std::min<size_t>(length, 65), copy.begin());
        platform_.outputReports.push_back(copy);
        return true;
    }
    void interrupt() override
    {
        std::lock_guard guard(platform_.rawLock);
        interrupted_ = true;
    }

private:
    FirmwarePlatform &platform_;
    bool interrupted_ = false;
};

class DirectMessageWindow final : public os::MessageWindow {
public:
    explicit DirectMessageWindow(std::function<void(const os::WindowMessage &)> handler)
        : handler_(std::move(handler))
    {
    }
    bool sendMessage(const os::WindowMessage &message) override
    {
        if (closed_)
            return false;
        handler_(message);
        return true;
    }
    void shutdown() override { closed_ = true; }

private:
    std::function<void(const os::WindowMessage &)> handler_;
    std::atomic<bool> closed_{false};
};

} // namespace

bool FirmwarePlatform::deviceInstanceId(const std::string &path, std::string &id)
{
    const auto found = instanceIds.find(path);
    if (found == instanceIds.end())
        return false;
    id = found->second;
    return true;
}

std::shared_ptr<os::RawDevice> FirmwarePlatform::openRaw(const std::string &)
{
    ++rawOpens;
    if (rawOpenFails) {
        lastError = ErrOpen;
        return nullptr;
    }
    return std::make_shared<FakeRawDevice>(*this);
}

std::unique_ptr<os::MessageWindow>
FirmwarePlatform::createMessageWindow(std::function<void(const os::WindowMessage &)> handler)
{
    return std::make_unique<DirectMessageWindow>(std::move(handler));
}

FirmwarePlatform::FirmwarePlatform(readersim::ReaderFirmware &fw) : firmware(fw) {}

bool FirmwarePlatform::listInterfaces(std::vector<std::string> &out)
{
    if (listFails)
        return false;
    out.clear();
    for (const std::string &path : paths)
        if (!(firmware.dropped() && readerPaths.count(path)))
            out.push_back(path);
    return true;
}

std::unique_ptr<os::HidDevice> FirmwarePlatform::open(const std::string &path, os::Access)
{
    opened.push_back(path);
    if (openFails) {
        lastError = ErrOpen;
        return nullptr;
    }
    return std::make_unique<FakeDevice>(*this, readerPaths.count(path) > 0);
}

} // namespace korvel::testing
