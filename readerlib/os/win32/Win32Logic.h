// The pure pieces of the Windows HID layer: names, records and decisions
// that need no Windows header, so that the Linux test suite checks them too.
// The numeric values below are those of the Windows headers.
#pragma once

#include "../HidPlatform.h"
#include "WindowMessages.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace korvel::win32 {

inline constexpr uint32_t ErrorInvalidParameter = 87;     // ERROR_INVALID_PARAMETER
inline constexpr uint32_t ErrorInsufficientBuffer = 122;  // ERROR_INSUFFICIENT_BUFFER
inline constexpr uint32_t ErrorNoMoreItems = 259;         // ERROR_NO_MORE_ITEMS
inline constexpr uint32_t ErrorOperationAborted = 995;    // ERROR_OPERATION_ABORTED
inline constexpr uint32_t ErrorIoPending = 997;           // ERROR_IO_PENDING
inline constexpr uint32_t WaitObject0 = 0;                // WAIT_OBJECT_0
inline constexpr uint32_t WaitTimeout = 258;              // WAIT_TIMEOUT

// The registry key under HKEY_LOCAL_MACHINE that describes one interface of
// a device class.
inline constexpr const char *DeviceClassesKey = "SYSTEM\\CURRENTCONTROLSET\\CONTROL\\DEVICECLASSES\\";
// The value of that key naming the device that owns the interface.
inline constexpr const char *DeviceInstanceValue = "DeviceInstance";
// The buffer the value is read into, and the identity strings too.
inline constexpr size_t RegistryValueBytes = 255;
inline constexpr size_t IdentityStringBytes = 255;

// A class GUID in the registry's text form: braces, upper-case hexadecimal,
// groups of 8-4-4-4-12 digits.
std::string registryGuidText(const Guid &guid);

// The interface's key name: the class key followed by the device path with
// its characters 1, 2 and 4 replaced by '#' ("\\?\hid#..." becomes "##?#hid#...").
std::string deviceClassKeyName(const std::string &path, const Guid &classGuid);

// The filter that registers a window for arrival and removal of the
// interfaces of one class: 32 bytes, all zero but size, type and class.
DeviceInterfaceBroadcast deviceInterfaceFilter(const Guid &classGuid);

// The number of characters before the first zero among the `capacity`
// characters at `text` (a system call may fill a buffer without one).
template <typename Char>
size_t boundedLength(const Char *text, size_t capacity)
{
    size_t length = 0;
    while (length < capacity && text[length] != Char{})
        ++length;
    return length;
}

// The hidden window's failure messages; %s stands for the system's text.
inline constexpr const char *RegisterClassFailure = "Unable to register DSiWin32 hidden window class. %s";
inline constexpr const char *CreateWindowFailure = "Unable to create DSiWin32 hidden window. %s";
// The pattern with its first %s replaced by `text`.
std::string withSystemText(const char *pattern, const std::string &text);

// How an overlapped transfer goes on once it has been started.
enum class AfterStart {
    Finished, // completed at once
    Wait,     // pending: wait for its event
    Failed,   // refused
};
AfterStart afterStart(bool started, uint32_t lastError);

// How it goes on after the wait for its event.
enum class AfterWait {
    Collect,        // signalled: take the outcome
    CancelTimedOut, // time limit reached: cancel, then let it finish
    CancelFailed,   // the wait failed: cancel, then let it finish
};
AfterWait afterWait(uint32_t waitResult);

// A read's result from the step it ended in and whether the transfer, once
// finished (after a cancel, too), delivered its bytes. A report that arrived
// while the time-out was being handled is kept, not dropped.
os::RawDevice::ReadResult readResult(AfterWait step, bool delivered);
// The same for a write: done only when its bytes went out within the time
// limit; a time-out or a failed wait is a failure whatever happened after.
bool writeSucceeded(AfterWait step, bool delivered);

} // namespace korvel::win32
