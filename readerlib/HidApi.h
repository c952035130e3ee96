// THidApi: finds the reader's configuration interface among the HID
// interfaces present, opens it, learns its feature-report length and
// identity strings, and moves single feature reports to and from it.
#pragma once

#include "os/HidPlatform.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace korvel {

class THidApi {
public:
    explicit THidApi(os::HidPlatform &platform);

    // Remembers the IDs, finds and opens interface 0 of that device, reads
    // its capabilities and identity strings. The entry point of every
    // configuration call.
    bool Connect(int32_t vid, int32_t pid);
    bool FindDevice(int32_t vid, int32_t pid);
    bool OpenHandle();
    bool ReadCapabilities();

    // One feature report transfer of Capabilities.FeatureReportByteLength
    // bytes, report ID in byte 0 of Buffer. A closed handle is reopened
    // first with the remembered IDs; Buffer grows to the report length when
    // the device declares a longer report than it holds. Every transfer is
    // followed by a 10 ms pause; a failed one closes the handle.
    bool GetFeatureReport(std::vector<uint8_t> &Buffer);
    bool SetFeatureReport(std::vector<uint8_t> &Buffer);

    // The open configuration interface; null stands for a closed handle.
    std::unique_ptr<os::HidDevice> DevHandle;
    os::HidCaps Capabilities;
    std::string DevIdentStr; // device path of the chosen interface
    int32_t FVid = 0;
    int32_t FPid = 0;
    std::string Manufacturer;
    std::string Product;
    double Version = 0; // firmware version from the end of Product

protected:
    os::HidPlatform &Platform;

private:
    bool ConnectByKeptList();
    // The first interface 0 of the IDs into DevIdentStr, without a word on
    // the debug output or the last error; `listed`: the list could be made.
    bool SearchInterfaces(int32_t vid, int32_t pid, bool &listed);
    bool Transfer(std::vector<uint8_t> &Buffer, bool toDevice);
};

// The firmware version a product string ends in: the digit three characters
// from the end plus the last digit divided by 10 ("... 1.7" gives 1.7);
// 0 when either is not a digit or the text is shorter than three characters.
double VersionFromProduct(const std::string &product);

inline constexpr unsigned TransferPauseMs = 10;

} // namespace korvel
