#include "FirmwarePlatform.h"

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

} // namespace

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
