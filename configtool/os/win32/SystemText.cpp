// The system's error texts and debugger output on Windows: FormatMessageW
// and OutputDebugStringW.
#include "os/SystemText.h"

#include <windows.h>

TString LastErrorText()
{
    const DWORD error = GetLastError();
    wchar_t *buffer = nullptr;
    const DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_ALLOCATE_BUFFER |
                                            FORMAT_MESSAGE_IGNORE_INSERTS,
                                        nullptr, error, 0, reinterpret_cast<wchar_t *>(&buffer), 0, nullptr);
    TString text = length && buffer ? TString(buffer, length) : TString();
    if (buffer)
        LocalFree(buffer);
    SetLastError(error);
    return text;
}

void WriteDebugOutput(const TString &text)
{
    OutputDebugStringW(text.c_str());
}
