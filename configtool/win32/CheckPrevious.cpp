#include "CheckPrevious.h"

#include "os/win32/InstanceBlock.h"

#include <windows.h>

#include <memory>
#include <vector>

namespace {

// WM_COPYDATA's tag for a later start's request; its data is the absolute
// name of the file to load, UTF-16 without a NUL, or nothing.
constexpr ULONG_PTR LaterStartRequest = 0x4D524643; // "MRFC"
constexpr DWORD MaxRequestBytes = 32768 * sizeof(wchar_t);
constexpr UINT RequestTimeoutMs = 10000;

struct TGuard {
    std::unique_ptr<TInstanceBlock> Block;
    HWND Window = nullptr; // the instance window
    TForm *MainForm = nullptr;
    TFileHandler FileHandler;
    std::vector<TString> WaitingFiles;
};

TGuard &Guard()
{
    static TGuard guard;
    return guard;
}

void ComeForward()
{
    TForm *form = Guard().MainForm;
    if (!form || !form->Handle())
        return; // still starting: it shows by itself
    HWND main = form->Handle();
    if (IsIconic(main))
        ShowWindow(main, SW_RESTORE);
    SetForegroundWindow(main);
}

LRESULT CALLBACK InstanceProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg != WM_COPYDATA)
        return DefWindowProcW(window, msg, wParam, lParam);
    const auto *data = reinterpret_cast<const COPYDATASTRUCT *>(lParam);
    // Anything else, or a length that is no whole name, is no request.
    if (!data || data->dwData != LaterStartRequest || data->cbData > MaxRequestBytes ||
        data->cbData % sizeof(wchar_t) != 0 || (data->cbData && !data->lpData))
        return FALSE;
    const TString fileName(static_cast<const wchar_t *>(data->lpData), data->cbData / sizeof(wchar_t));
    if (fileName.find(L'\0') != TString::npos)
        return FALSE;
    ComeForward();
    if (!fileName.empty()) {
        TGuard &guard = Guard();
        if (guard.FileHandler) {
            const TFileHandler handler = guard.FileHandler;
            Invoke([&] { handler(fileName); });
        } else {
            guard.WaitingFiles.push_back(fileName);
        }
    }
    return TRUE;
}

HWND CreateInstanceWindow()
{
    WNDCLASSEXW instance{};
    instance.cbSize = sizeof instance;
    instance.lpfnWndProc = InstanceProc;
    instance.hInstance = GetModuleHandleW(nullptr);
    instance.lpszClassName = L"MarduneInstance";
    RegisterClassExW(&instance);
    return CreateWindowExW(0, instance.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                           instance.hInstance, nullptr);
}

void SendRequest(HWND running, const TString &fileName)
{
    if (!running)
        return; // the block exists but cannot be opened: nothing to reach
    // The running instance may take the foreground: this start has it.
    DWORD process = 0;
    GetWindowThreadProcessId(running, &process);
    if (process)
        AllowSetForegroundWindow(process);
    COPYDATASTRUCT data{};
    data.dwData = LaterStartRequest;
    data.cbData = static_cast<DWORD>(fileName.size() * sizeof(wchar_t));
    data.lpData = const_cast<wchar_t *>(fileName.data());
    DWORD_PTR answer = 0;
    SendMessageTimeoutW(running, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data), SMTO_ABORTIFHUNG,
                        RequestTimeoutMs, &answer);
}

} // namespace

bool CheckInstanceLimit(int limit, const TString &fileName)
{
    TGuard &guard = Guard();
    guard.Window = CreateInstanceWindow();
    guard.Block = std::make_unique<TInstanceBlock>(ProgramGuardName());
    if (!guard.Block->CheckInstanceLimit(guard.Window, limit))
        return false;
    SendRequest(guard.Block->MainWindow(), fileName);
    return true;
}

void SetInstanceMainForm(TForm *form)
{
    Guard().MainForm = form;
}

void SetLaterStartFileHandler(TFileHandler handler)
{
    TGuard &guard = Guard();
    guard.FileHandler = std::move(handler);
    std::vector<TString> waiting;
    waiting.swap(guard.WaitingFiles);
    for (const TString &fileName : waiting)
        if (guard.FileHandler)
            guard.FileHandler(fileName);
}

void CheckPreviousCleanup()
{
    TGuard &guard = Guard();
    guard.Block.reset();
    if (guard.Window)
        DestroyWindow(guard.Window);
    guard.Window = nullptr;
    guard.MainForm = nullptr;
    guard.FileHandler = nullptr;
}
