#include "HidApi.h"

#include "DevicePath.h"
#include "ReaderIds.h"

namespace korvel {

THidApi::THidApi(os::HidPlatform &platform) : Platform(platform) {}

bool THidApi::Connect(int32_t vid, int32_t pid)
{
    FVid = vid;
    FPid = pid;
    if (!ConnectByKeptList() && !(FindDevice(FVid, FPid) && OpenHandle() && ReadCapabilities())) {
        Platform.forgetInterfaces();
        return false;
    }

    Manufacturer.clear();
    std::string text;
    if (DevHandle->getManufacturerString(text))
        Manufacturer = text;

    Version = 0;
    if (!DevHandle->getProductString(text))
        return true; // Product keeps its previous value
    Product = text;
    Version = VersionFromProduct(Product);
    return true;
}

// The search, the open and the capabilities on the interfaces the platform
// kept from an earlier call, with nothing written to the debug output until
// all three have succeeded. A failure leaves no trace (last error restored)
// for the full search, which then runs afresh exactly as without a kept list.
bool THidApi::ConnectByKeptList()
{
    if (!Platform.keepsInterfaces())
        return false;
    const int64_t error = Platform.lastErrorValue();
    bool listed;
    if (SearchInterfaces(FVid, FPid, listed)) {
        DevHandle.reset();
        DevHandle = Platform.open(DevIdentStr, os::Access::WriteOnly);
        if (DevHandle && DevHandle->getCaps(Capabilities)) {
            Platform.debugOutput("Find success HID: " + DevIdentStr);
            return true;
        }
    }
    Platform.forgetInterfaces();
    Platform.restoreLastError(error);
    return false;
}

bool THidApi::SearchInterfaces(int32_t vid, int32_t pid, bool &listed)
{
    std::vector<std::string> paths;
    listed = Platform.listInterfacesOf(static_cast<uint16_t>(vid), paths);
    if (!listed)
        return false;

    for (const std::string &path : paths) {
        DevIdentStr = path;
        const DevicePathFields fields = parseDevicePath(path);
        if (fields.interfaceNumber != InterfaceDigits(ConfigInterface) || fields.vendorId != vid || fields.productId != pid)
            continue;
        if (fields.tail == KeyboardCollectionTail)
            DevIdentStr.resize(DevIdentStr.size() - 4);
        return true;
    }
    return false;
}

bool THidApi::FindDevice(int32_t vid, int32_t pid)
{
    bool listed;
    if (SearchInterfaces(vid, pid, listed)) {
        Platform.debugOutput("Find success HID: " + DevIdentStr);
        return true;
    }
    if (listed)
        Platform.setLastError(os::Failure::DeviceNotFound);
    return false;
}

bool THidApi::OpenHandle()
{
    DevHandle.reset();
    DevHandle = Platform.open(DevIdentStr, os::Access::WriteOnly);
    if (!DevHandle) {
        Platform.debugOutput("Failed: OpenDeviceHandle: " + Platform.lastErrorText());
        return false;
    }
    return true;
}

bool THidApi::ReadCapabilities()
{
    if (!DevHandle->getCaps(Capabilities)) {
        Platform.debugOutput("Failed: HidD_GetPreparsedData: " + Platform.lastErrorText());
        return false;
    }
    return true;
}

bool THidApi::GetFeatureReport(std::vector<uint8_t> &Buffer)
{
    return Transfer(Buffer, false);
}

bool THidApi::SetFeatureReport(std::vector<uint8_t> &Buffer)
{
    return Transfer(Buffer, true);
}

bool THidApi::Transfer(std::vector<uint8_t> &Buffer, bool toDevice)
{
    if (!DevHandle && !Connect(FVid, FPid))
        return false;

    const size_t length = Capabilities.FeatureReportByteLength;
    if (Buffer.size() < length)
        Buffer.resize(length, 0); // never let a device's declared length overrun the buffer

    const bool ok = toDevice ? DevHandle->setFeature(Buffer.data(), length)
                             : DevHandle->getFeature(Buffer.data(), length);
    Platform.sleepMs(TransferPauseMs);
    if (!ok) {
        if (toDevice)
            Platform.debugOutput(Platform.lastErrorText());
        DevHandle.reset();
        Platform.forgetInterfaces(); // the reconnect enumerates afresh
    }
    return ok;
}

double VersionFromProduct(const std::string &product)
{
    const size_t length = product.size();
    if (length < 3)
        return 0;
    const char major = product[length - 3];
    const char minor = product[length - 1];
    if (major < '0' || major > '9' || minor < '0' || minor > '9')
        return 0;
    return (major - '0') + (minor - '0') / 10.0;
}

} // namespace korvel
