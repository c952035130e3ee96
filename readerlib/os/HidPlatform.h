// The operating system's side of HID access, as the reader logic needs it.
//
// Each platform (readerlib/os/linux, readerlib/os/win32) implements this
// thin layer over its own interfaces; everything above it is written once.
// Failing calls leave the platform's last error (errno, GetLastError) as the
// failing system call set it, and calls that succeed do not disturb it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>
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

// One open raw interface, shared by the threads that use it. The interface
// is closed when the last holder lets go, so a transfer in progress never
// meets a closed or reused descriptor.
class RawDevice {
public:
    enum class ReadResult { Report, TimedOut, Failed };
    virtual ~RawDevice() = default;
    // One input report of `length` bytes, report ID first, waiting at most
    // `timeoutMs`. A cancel() ends the wait early as a failure.
    virtual ReadResult readReport(uint8_t *report, size_t length, unsigned timeoutMs) = 0;
    // One output report of `length` bytes, report ID first, finished within
    // `timeoutMs`.
    virtual bool writeReport(const uint8_t *report, size_t length, unsigned timeoutMs) = 0;
    // Ends the transfers in progress on other threads as failures and makes
    // every later one fail: for a channel that is being closed.
    virtual void interrupt() = 0;
};

// A message as the library's hidden window receives it.
struct WindowMessage {
    uint32_t Msg;
    uintptr_t WParam;
    intptr_t LParam;
};

// The library's hidden message window: a thread of its own that handles
// one message at a time, among them the platform's HID arrival and removal
// notifications, which the platform turns into WM_DEVICECHANGE messages.
class MessageWindow {
public:
    virtual ~MessageWindow() = default; // shuts down first
    // Delivers a message to the window's thread and returns once it has
    // been handled; false when the window has shut down and drops it.
    virtual bool sendMessage(const WindowMessage &message) = 0;
    // Stops the window's thread; pending and later messages are dropped.
    virtual void shutdown() = 0;
};

// A thread the library starts (the raw channel's receive thread). Destroying
// it returns once its body has returned; the body stops by itself when asked
// through the state it shares with its owner.
class WorkerThread {
public:
    virtual ~WorkerThread() = default;
};

class HidPlatform {
public:
    virtual ~HidPlatform() = default;
    // Device paths of the HID interfaces present now, in the platform's
    // enumeration order. Interfaces whose path cannot be read are left out.
    // False when the list cannot be made at all.
    virtual bool listInterfaces(std::vector<std::string> &paths) = 0;
    // The same list for a search that can only choose an interface of
    // `vendorId`: the platform may leave out interfaces it knows to belong
    // to another vendor (the order of the rest is kept).
    virtual bool listInterfacesOf(uint16_t vendorId, std::vector<std::string> &paths)
    {
        (void)vendorId;
        return listInterfaces(paths);
    }

    // A platform may keep what it learnt of the interfaces between calls,
    // for as long as it knows that none has come or gone. A search first
    // tries what is kept when keepsInterfaces() says so, and whenever that
    // attempt (or a later transfer) fails, it calls forgetInterfaces() and
    // repeats the search afresh: a kept list never decides a result alone.
    virtual bool keepsInterfaces() { return false; }
    virtual void forgetInterfaces() {}
    // The last error as a value and its restoration, so that an attempt
    // that is repeated leaves no error of its own behind.
    virtual int64_t lastErrorValue() { return 0; }
    virtual void restoreLastError(int64_t value) { (void)value; }
    // Opens a device path; null on failure.
    virtual std::unique_ptr<HidDevice> open(const std::string &path, Access access) = 0;
    // The device instance identifier of the device that owns an interface,
    // as the Windows registry holds it ("USB\\VID_1209&PID_0001&MI_01\\...").
    virtual bool deviceInstanceId(const std::string &path, std::string &id) = 0;
    virtual std::shared_ptr<RawDevice> openRaw(const std::string &path) = 0;
    // The hidden window, with `handler` run on its thread for every message.
    virtual std::unique_ptr<MessageWindow>
    createMessageWindow(std::function<void(const WindowMessage &)> handler) = 0;

    // Runs `body` on a thread of its own; throws std::system_error when no
    // thread can be started. By default a std::thread, joined when destroyed.
    virtual std::unique_ptr<WorkerThread> startThread(std::function<void()> body);

    virtual void sleepMs(unsigned milliseconds) = 0;
    // The library's diagnostic channel.
    virtual void debugOutput(const std::string &line) = 0;
    // The system's message text for the last error.
    virtual std::string lastErrorText() = 0;
    virtual void setLastError(Failure failure) = 0;
};

class JoiningThread final : public WorkerThread {
public:
    explicit JoiningThread(std::function<void()> body) : thread_(std::move(body)) {}
    ~JoiningThread() override { thread_.join(); }

private:
    std::thread thread_;
};

inline std::unique_ptr<WorkerThread> HidPlatform::startThread(std::function<void()> body)
{
    return std::make_unique<JoiningThread>(std::move(body));
}

// The platform this library was built for.
std::unique_ptr<HidPlatform> createHidPlatform();

} // namespace korvel::os
