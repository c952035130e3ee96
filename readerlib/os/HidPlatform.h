// The operating system's side of HID access, as the reader logic needs it.
//
// Each platform (readerlib/os/linux, readerlib/os/win32) implements this
// thin layer over its own interfaces; everything above it is written once.
// Failing calls leave the platform's last error (errno, GetLastError) as the
// failing system call set it, and calls that succeed do not disturb it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace korvel::os {

// The parts of the platform's HID capabilities record the library uses.
// Lengths count the report-ID byte; 0 means the interface has no such report.
struct HidCaps {
    uint16_t Usage = 0;
    uint16_t UsagePage = 0;
    uint16_t InputReportByteLength = 0;
    uint16_t OutputReportByteLength = 0;
    uint16_t FeatureReportByteLength = 0;
};

enum class Access { WriteOnly, ReadWrite };

// Why a call failed when no system call did (sets the platform's last error).
enum class Failure { DeviceNotFound, InvalidArgument };

// One open HID interface; closed when destroyed.
class HidDevice {
public:
    virtual ~HidDevice() = default;
    virtual bool getCaps(HidCaps &caps) = 0;
    // Identity strings in the system's 8-bit encoding; false when the device
    // has none or the request fails.
    virtual bool getManufacturerString(std::string &text) = 0;
    virtual bool getProductString(std::string &text) = 0;
    // One feature report of `length` bytes, report ID in byte 0.
    virtual bool getFeature(uint8_t *report, size_t length) = 0;
    virtual bool setFeature(const uint8_t *report, size_t length) = 0;
};

class HidPlatform {
public:
    virtual ~HidPlatform() = default;
    // Device paths of the HID interfaces present now, in the platform's
    // enumeration order. Interfaces whose path cannot be read are left out.
    // False when the list cannot be made at all.
    virtual bool listInterfaces(std::vector<std::string> &paths) = 0;
    // Opens a device path; null on failure.
    virtual std::unique_ptr<HidDevice> open(const std::string &path, Access access) = 0;
    virtual void sleepMs(unsigned milliseconds) = 0;
    // The library's diagnostic channel.
    virtual void debugOutput(const std::string &line) = 0;
    // The system's message text for the last error.
    virtual std::string lastErrorText() = 0;
    virtual void setLastError(Failure failure) = 0;
};

// The platform this library was built for.
std::unique_ptr<HidPlatform> createHidPlatform();

} // namespace korvel::os
