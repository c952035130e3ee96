// The HID layer on Windows: SetupAPI for enumeration, hid.dll for
// capabilities, identity strings and feature reports, the registry for the
// device that owns an interface, overlapped file I/O for the raw channel,
// GetLastError as the last error and OutputDebugStringW for debug lines.
#include "../HidPlatform.h"
#include "HiddenWindow.h"
#include "Win32Logic.h"
#include "Win32Support.h"
#include "WorkerThread.h"

#include <windows.h>
#include "HidHeaders.h"
#include <setupapi.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <iterator>

// The base address of the module this code is linked into (Korvel.dll).
extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace korvel::os {
namespace {

using win32::LastErrorGuard;
using win32::UniqueHandle;

struct DeviceInfoListDestroyer {
    void operator()(void *list) const
    {
        LastErrorGuard keep;
        SetupDiDestroyDeviceInfoList(list);
    }
};
using UniqueDeviceInfoList = std::unique_ptr<void, DeviceInfoListDestroyer>;

struct PreparsedDataFreer {
    void operator()(PHIDP_PREPARSED_DATA data) const
    {
        LastErrorGuard keep;
        HidD_FreePreparsedData(data);
    }
};
using UniquePreparsedData = std::unique_ptr<std::remove_pointer_t<PHIDP_PREPARSED_DATA>, PreparsedDataFreer>;

struct KeyCloser {
    void operator()(HKEY key) const
    {
        LastErrorGuard keep;
        RegCloseKey(key);
    }
};
using UniqueKey = std::unique_ptr<std::remove_pointer_t<HKEY>, KeyCloser>;

constexpr DWORD ShareReadWrite = FILE_SHARE_READ | FILE_SHARE_WRITE;
constexpr DWORD OverlappedFlags = FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OVERLAPPED;

class Win32HidDevice final : public HidDevice {
public:
    explicit Win32HidDevice(UniqueHandle handle) : handle_(std::move(handle)) {}

    bool getCaps(HidCaps &caps) override
    {
        PHIDP_PREPARSED_DATA data = nullptr;
        if (!HidD_GetPreparsedData(handle_.get(), &data))
            return false;
        const UniquePreparsedData owner(data);
        HIDP_CAPS system{};
        HidP_GetCaps(data, &system); // its own result is not examined
        caps.Usage = system.Usage;
        caps.UsagePage = system.UsagePage;
        caps.InputReportByteLength = system.InputReportByteLength;
        caps.OutputReportByteLength = system.OutputReportByteLength;
        caps.FeatureReportByteLength = system.FeatureReportByteLength;
        return true;
    }

    bool getManufacturerString(std::string &text) override
    {
        return identityString(text, [](HANDLE h, void *b, ULONG n) { return HidD_GetManufacturerString(h, b, n); });
    }

    bool getProductString(std::string &text) override
    {
        return identityString(text, [](HANDLE h, void *b, ULONG n) { return HidD_GetProductString(h, b, n); });
    }

    bool getFeature(uint8_t *report, size_t length) override
    {
        return HidD_GetFeature(handle_.get(), report, static_cast<ULONG>(length)) != FALSE;
    }

    bool setFeature(const uint8_t *report, size_t length) override
    {
        // The system takes a writable pointer but only reads the report.
        return HidD_SetFeature(handle_.get(), const_cast<uint8_t *>(report), static_cast<ULONG>(length)) != FALSE;
    }

private:
    template <typename Read>
    bool identityString(std::string &text, Read read)
    {
        // One zero character more than the system may fill, so the text
        // always ends inside the buffer.
        wchar_t buffer[win32::IdentityStringBytes / sizeof(wchar_t) + 1] = {};
        if (!read(handle_.get(), buffer, static_cast<ULONG>(win32::IdentityStringBytes)))
            return false;
        text = win32::ansiFromWide(buffer, win32::boundedLength(buffer, std::size(buffer)));
        return true;
    }

    UniqueHandle handle_; // closed when the device object goes
};

class Win32RawDevice final : public RawDevice {
public:
    explicit Win32RawDevice(UniqueHandle handle) : handle_(std::move(handle)) {}

    ReadResult readReport(uint8_t *report, size_t length, unsigned timeoutMs) override
    {
        if (length < 2 || length > MAXDWORD) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return ReadResult::Failed;
        }
        DWORD bytes = 0;
        const ReadResult result = transfer(false, report, static_cast<DWORD>(length), timeoutMs, bytes);
        if (result == ReadResult::Report) // a short report leaves no stale bytes behind it
            std::memset(report + bytes, 0, length - std::min<size_t>(bytes, length));
        return result;
    }

    bool writeReport(const uint8_t *report, size_t length, unsigned timeoutMs) override
    {
        if (length > MAXDWORD) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return false;
        }
        DWORD bytes = 0;
        // WriteFile only reads the buffer.
        return transfer(true, const_cast<uint8_t *>(report), static_cast<DWORD>(length), timeoutMs, bytes) ==
               ReadResult::Report;
    }

    void interrupt() override
    {
        interrupted_ = true; // before the cancel: a transfer started after it sees the flag
        LastErrorGuard keep;
        CancelIoEx(handle_.get(), nullptr);
    }

private:
    // One overlapped transfer with a fresh event (manual reset for reads,
    // auto reset for writes), waited for at most `timeoutMs`. A transfer
    // that is abandoned is cancelled and then waited for, so that it has
    // finished before its buffer and record go away. Report stands for a
    // transfer that is done.
    ReadResult transfer(bool toDevice, uint8_t *buffer, DWORD length, unsigned timeoutMs, DWORD &bytes)
    {
        if (interrupted_) {
            SetLastError(ERROR_OPERATION_ABORTED);
            return ReadResult::Failed;
        }
        const UniqueHandle event(CreateEventW(nullptr, toDevice ? FALSE : TRUE, FALSE, nullptr));
        if (!event)
            return ReadResult::Failed;
        HANDLE file = handle_.get();
        OVERLAPPED overlapped{};
        overlapped.hEvent = event.get();
        const BOOL started = toDevice ? WriteFile(file, buffer, length, nullptr, &overlapped)
                                      : ReadFile(file, buffer, length, nullptr, &overlapped);

        win32::AfterWait step = win32::AfterWait::Collect;
        bool delivered = false;
        switch (win32::afterStart(started != FALSE, GetLastError())) {
        case win32::AfterStart::Failed:
            return ReadResult::Failed;
        case win32::AfterStart::Finished:
            delivered = GetOverlappedResult(file, &overlapped, &bytes, FALSE) != FALSE;
            break;
        case win32::AfterStart::Wait: {
            if (interrupted_) // interrupted while this transfer was being started
                CancelIo(file);
            const DWORD waited = WaitForSingleObject(event.get(), timeoutMs);
            const DWORD waitError = GetLastError();
            step = win32::afterWait(waited);
            if (step == win32::AfterWait::Collect) {
                delivered = GetOverlappedResult(file, &overlapped, &bytes, FALSE) != FALSE;
                break;
            }
            CancelIo(file);
            delivered = GetOverlappedResult(file, &overlapped, &bytes, TRUE) != FALSE;
            if (!delivered)
                SetLastError(step == win32::AfterWait::CancelTimedOut ? ERROR_TIMEOUT : waitError);
            break;
        }
        }
        const ReadResult result = toDevice ? (win32::writeSucceeded(step, delivered) ? ReadResult::Report
                                                                                     : ReadResult::Failed)
                                           : win32::readResult(step, delivered);
        if (result != ReadResult::Report && interrupted_) {
            SetLastError(ERROR_OPERATION_ABORTED);
            return ReadResult::Failed;
        }
        return result;
    }

    UniqueHandle handle_; // closed when the last holder lets go
    std::atomic<bool> interrupted_{false};
};

class Win32HidPlatform final : public HidPlatform {
public:
    bool listInterfaces(std::vector<std::string> &paths) override
    {
        paths.clear();
        GUID guid = win32::hidGuid();
        const DWORD before = GetLastError();
        HDEVINFO list = SetupDiGetClassDevsA(&guid, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
        if (list == INVALID_HANDLE_VALUE)
            return false;
        const UniqueDeviceInfoList owner(list);
        for (DWORD index = 0;; ++index) {
            SP_DEVICE_INTERFACE_DATA data{};
            data.cbSize = sizeof data;
            if (!SetupDiEnumDeviceInterfaces(list, nullptr, &guid, index, &data))
                break; // past the end
            DWORD size = 0;
            if (SetupDiGetDeviceInterfaceDetailA(list, &data, nullptr, 0, &size, nullptr) ||
                GetLastError() != ERROR_INSUFFICIENT_BUFFER || size < sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A))
                continue;
            // DWORD elements keep the record aligned.
            std::vector<DWORD> storage((size + sizeof(DWORD) - 1) / sizeof(DWORD) + 1, 0);
            auto *detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_A *>(storage.data());
            detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A);
            if (!SetupDiGetDeviceInterfaceDetailA(list, &data, detail, size, nullptr, nullptr))
                continue;
            const size_t capacity = size - offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_A, DevicePath);
            paths.emplace_back(detail->DevicePath, win32::boundedLength(detail->DevicePath, capacity));
        }
        SetLastError(before); // the enumeration's own ending is not an error
        return true;
    }

    std::unique_ptr<HidDevice> open(const std::string &path, Access access) override
    {
        const DWORD desired = access == Access::WriteOnly ? GENERIC_WRITE : GENERIC_READ | GENERIC_WRITE;
        UniqueHandle handle =
            win32::adoptHandle(CreateFileA(path.c_str(), desired, ShareReadWrite, nullptr, OPEN_EXISTING,
                                           OverlappedFlags, nullptr));
        if (!handle)
            return nullptr;
        return std::make_unique<Win32HidDevice>(std::move(handle));
    }

    bool deviceInstanceId(const std::string &path, std::string &id) override
    {
        LastErrorGuard keep;
        const std::string name = win32::deviceClassKeyName(path, win32::toGuid(win32::hidGuid()));
        HKEY key = nullptr;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, name.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
            return false;
        const UniqueKey owner(key);
        char value[win32::RegistryValueBytes + 1] = {};
        DWORD size = win32::RegistryValueBytes;
        if (RegQueryValueExA(key, win32::DeviceInstanceValue, nullptr, nullptr, reinterpret_cast<BYTE *>(value),
                             &size) != ERROR_SUCCESS)
            return false;
        id.assign(value, win32::boundedLength(value, std::min<size_t>(size, win32::RegistryValueBytes)));
        return true;
    }

    std::shared_ptr<RawDevice> openRaw(const std::string &path) override
    {
        UniqueHandle handle = win32::adoptHandle(CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                                                             ShareReadWrite, nullptr, OPEN_EXISTING,
                                                             OverlappedFlags, nullptr));
        if (!handle)
            return nullptr;
        return std::make_shared<Win32RawDevice>(std::move(handle));
    }

    std::unique_ptr<MessageWindow> createMessageWindow(std::function<void(const WindowMessage &)> handler) override
    {
        return std::make_unique<win32::HiddenWindow>(reinterpret_cast<HINSTANCE>(&__ImageBase), std::move(handler));
    }

    std::unique_ptr<WorkerThread> startThread(std::function<void()> body) override
    {
        return std::make_unique<win32::Win32WorkerThread>(std::move(body));
    }

    void sleepMs(unsigned milliseconds) override
    {
        Sleep(milliseconds);
    }

    void debugOutput(const std::string &line) override
    {
        LastErrorGuard keep;
        OutputDebugStringW(win32::wideFromAnsi(line).c_str());
    }

    std::string lastErrorText() override
    {
        return win32::systemErrorText(GetLastError());
    }

    void setLastError(Failure failure) override
    {
        SetLastError(failure == Failure::DeviceNotFound ? ERROR_NO_MORE_ITEMS : ERROR_INVALID_PARAMETER);
    }
};

} // namespace

std::unique_ptr<HidPlatform> createHidPlatform()
{
    return std::make_unique<Win32HidPlatform>();
}

} // namespace korvel::os
