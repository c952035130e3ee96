#include "InstanceBlock.h"

#include <windows.h>

#include <system_error>
#include <vector>

TInstanceBlock::TInstanceBlock(std::wstring guardName) : FGuardName(std::move(guardName)) {}

TInstanceBlock::~TInstanceBlock()
{
    if (FCountedInstance && FView) {
        // Opened again by name, as the record may have been replaced; the
        // new handle is taken before the old one goes, so the block lives on.
        if (HANDLE again = OpenFileMappingW(FILE_MAP_ALL_ACCESS, FALSE, FGuardName.c_str())) {
            auto *view = static_cast<TInstanceInfo *>(MapViewOfFile(again, FILE_MAP_ALL_ACCESS, 0, 0, sizeof(TInstanceInfo)));
            if (view) {
                --view->InstanceCount;
                UnmapViewOfFile(view);
            }
            CloseHandle(again);
        }
    }
    Release();
}

void TInstanceBlock::Release()
{
    if (FView)
        UnmapViewOfFile(FView);
    if (FMapping)
        CloseHandle(FMapping);
    FView = nullptr;
    FMapping = nullptr;
}

void TInstanceBlock::Map(void *mapping)
{
    Release();
    FMapping = mapping;
    FView = static_cast<TInstanceInfo *>(MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, sizeof(TInstanceInfo)));
}

bool TInstanceBlock::CheckInstanceLimit(HWND__ *window, int32_t limit)
{
    HANDLE created =
        CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(TInstanceInfo), FGuardName.c_str());
    const DWORD error = GetLastError();
    if (!created)
        throw std::system_error(static_cast<int>(error), std::system_category(), "CreateFileMapping");
    if (error != ERROR_ALREADY_EXISTS) {
        Map(created);
        if (!FView)
            throw std::system_error(static_cast<int>(GetLastError()), std::system_category(), "MapViewOfFile");
        FView->MainWindow = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(window));
        FView->InstanceCount = 1;
        return false;
    }
    CloseHandle(created);
    HANDLE existing = OpenFileMappingW(FILE_MAP_ALL_ACCESS, FALSE, FGuardName.c_str());
    if (!existing) {
        FCountedInstance = false; // turned away: it never counted
        return true;
    }
    Map(existing);
    if (!FView) {
        FCountedInstance = false;
        return true;
    }
    if (limit > FView->InstanceCount) {
        FView->MainWindow = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(window));
        ++FView->InstanceCount;
        return false;
    }
    FCountedInstance = false;
    return true;
}

HWND__ *TInstanceBlock::MainWindow() const
{
    // Window handles have 32 significant bits on 64-bit Windows too, and
    // are sign-extended.
    return FView ? reinterpret_cast<HWND>(static_cast<intptr_t>(static_cast<int32_t>(FView->MainWindow))) : nullptr;
}

std::wstring ProgramGuardName()
{
    std::vector<wchar_t> path(MAX_PATH);
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);
    }
    std::wstring name;
    for (const wchar_t c : path)
        if (c != L'\\')
            name += c;
    return name;
}
