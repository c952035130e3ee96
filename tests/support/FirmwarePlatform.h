// A HID platform for unit tests: it presents a list of device paths, and
// the reader's paths reach a ReaderFirmware directly, with no I/O. It
// records what the library did (pauses, debug lines, opens) and can be told
// to fail each platform call.
#pragma once

#include "BuildVendor.h"
#include "ReaderFirmware.h"
#include "os/HidPlatform.h"

#include <array>
#include <deque>
#include <mutex>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace korvel::testing {

inline const std::string ReaderPath0 = "\\\\?\\hid#vid_" + BuildVendorHex() + "&pid_0001&mi_00#7&1a2b3c&0&0000#{4d1e55b2-f16f-11cf-88cb-001111000030}";
inline const std::string ReaderPath1 = "\\\\?\\hid#vid_" + BuildVendorHex() + "&pid_0001&mi_01#7&1a2b3c&0&0001#{4d1e55b2-f16f-11cf-88cb-001111000030}";
inline const std::string MousePath = "\\\\?\\hid#vid_046d&pid_c077#6&3f1c2a&0&0000#{4d1e55b2-f16f-11cf-88cb-001111000030}";

// Last-error values the fake uses (errno values, as on Linux).
enum FakeError { ErrTransfer = 32 /* EPIPE */, ErrOpen = 13 /* EACCES */, ErrNotFound = 19, ErrInvalid = 22 };

class FirmwarePlatform : public os::HidPlatform {
public:
    explicit FirmwarePlatform(readersim::ReaderFirmware &firmware);

    // What the platform presents.
    std::vector<std::string> paths{MousePath, ReaderPath0, ReaderPath1};
    std::set<std::string> readerPaths{ReaderPath0}; // opened paths that reach the firmware
    bool listFails = false;
    bool openFails = false;
    bool capsFail = false;
    bool manufacturerFails = false;
    bool productFails = false;
    std::string manufacturer = "Korvel Project";
    std::string product = "USB RFID Reader Ver: 1.7";
    // Feature transfers counted from 0 since the last reset; those listed
    // in failTransfers fail before they reach the firmware.
    int transferCount = 0;
    std::set<int> failTransfers;

    // What the library did.
    std::vector<std::string> debugLines;
    std::vector<std::string> opened;
    std::vector<unsigned> pauses;
    int lastError = 0;
    int openDevices = 0; // devices currently open

    bool listInterfaces(std::vector<std::string> &out) override;
    std::unique_ptr<os::HidDevice> open(const std::string &path, os::Access access) override;
    void sleepMs(unsigned milliseconds) override { pauses.push_back(milliseconds); }
    void debugOutput(const std::string &line) override { debugLines.push_back(line); }
    std::string lastErrorText() override { return "error " + std::to_string(lastError); }
    void setLastError(os::Failure failure) override
    {
        lastError = failure == os::Failure::DeviceNotFound ? ErrNotFound : ErrInvalid;
    }

    bool deviceInstanceId(const std::string &path, std::string &id) override;
    std::shared_ptr<os::RawDevice> openRaw(const std::string &path) override;
    // Runs every message on the sender's thread.
    std::unique_ptr<os::MessageWindow>
    createMessageWindow(std::function<void(const os::WindowMessage &)> handler) override;

    readersim::ReaderFirmware &firmware;

    // The raw interface: reports the device will send, and those it got.
    using RawReport = std::array<uint8_t, 65>;
    std::mutex rawLock;
    std::deque<RawReport> inputReports;
    std::vector<RawReport> outputReports;
    bool rawOpenFails = false;
    bool rawWritesFail = false;
    int rawOpens = 0;
    // Device instance identifiers by path; paths not listed have none.
    std::map<std::string, std::string> instanceIds{
        {ReaderPath0, "HID\\VID_" + BuildVendorHex(true) + "&PID_0001&MI_00\\7&1A2B3C&0&0000"},
        {ReaderPath1, "HID\\VID_" + BuildVendorHex(true) + "&PID_0001&MI_01\\7&1A2B3C&0&0001"},
        {MousePath, "HID\\VID_046D&PID_C077\\6&3F1C2A&0&0000"},
    };
};

} // namespace korvel::testing
