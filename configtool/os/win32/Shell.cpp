// The About page's links on Windows: the shell opens them (the default
// browser, the default mail program).
#include "os/Shell.h"

#include <windows.h>
#include <shellapi.h>

void OpenDocument(const TString &address)
{
    // A failure of the shell is not reported.
    ShellExecuteW(nullptr, L"open", address.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}
