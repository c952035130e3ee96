// Small helpers of the Windows HID layer: owners for system handles, the
// last-error keeper, text conversion and the system's error texts.
#pragma once

#include "WindowMessages.h"

#include <windows.h>

#include <memory>
#include <string>
#include <type_traits>

namespace korvel::win32 {

// Keeps GetLastError across clean-up work, so that the failing call's error
// is the one callers see.
class LastErrorGuard {
public:
    LastErrorGuard() : saved_(GetLastError()) {}
    ~LastErrorGuard() { SetLastError(saved_); }
    LastErrorGuard(const LastErrorGuard &) = delete;
    LastErrorGuard &operator=(const LastErrorGuard &) = delete;

private:
    DWORD saved_;
};

// Kernel object handles (files, events). Null stands for "none": a failed
// CreateFileA's INVALID_HANDLE_VALUE is never stored.
struct HandleCloser {
    void operator()(HANDLE handle) const
    {
        LastErrorGuard keep;
        CloseHandle(handle);
    }
};
using UniqueHandle = std::unique_ptr<std::remove_pointer_t<HANDLE>, HandleCloser>;

inline UniqueHandle adoptHandle(HANDLE handle)
{
    return UniqueHandle(handle == INVALID_HANDLE_VALUE ? nullptr : handle);
}

// Buffers the system allocated with LocalAlloc (FormatMessageW).
struct LocalFreer {
    void operator()(void *memory) const
    {
        LastErrorGuard keep;
        LocalFree(memory);
    }
};

// 8-bit text in the system's ANSI code page from `length` wide characters.
std::string ansiFromWide(const wchar_t *text, size_t length);
std::wstring wideFromAnsi(const std::string &text);

// The system's message text for an error code (trailing line breaks
// removed); GetLastError is left as it was.
std::string systemErrorText(DWORD error);

// The HID device-interface class (HidD_GetHidGuid) in both forms.
GUID hidGuid();
Guid toGuid(const GUID &guid);

} // namespace korvel::win32
