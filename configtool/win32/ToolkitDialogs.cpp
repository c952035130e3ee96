#include "ToolkitDialogs.h"

#include "Forms.h"

#include <windows.h>
#include <commdlg.h>

#include <vector>

namespace {

HWND BoxOwner()
{
    // The tool's active window (a modal dialog when one is up), else its
    // main window when that is shown.
    if (HWND active = GetActiveWindow())
        return active;
    TForm *main = MainForm();
    return main && main->Visible() ? main->Handle() : nullptr;
}

} // namespace

void ToolkitBox(TBoxKind kind, const TString &text)
{
    const TModalScope modal;
    UINT style = MB_OK | MB_TASKMODAL;
    if (kind == TBoxKind::Unexpected)
        style |= MB_ICONERROR;
    MessageBoxW(BoxOwner(), text.c_str(), ApplicationTitle().c_str(), style);
}

bool ToolkitConfirm(const TString &text)
{
    const TModalScope modal;
    return MessageBoxW(BoxOwner(), text.c_str(), ApplicationTitle().c_str(),
                       MB_OKCANCEL | MB_ICONQUESTION | MB_TASKMODAL) == IDOK;
}

TString ToolkitFileDialog(TForm *owner, const TFileDialogRequest &request)
{
    // "Description|pattern" as the dialog wants it: NUL-separated pairs.
    std::vector<wchar_t> filter(request.filter.begin(), request.filter.end());
    for (wchar_t &c : filter)
        if (c == L'|')
            c = L'\0';
    filter.push_back(L'\0');
    filter.push_back(L'\0');
    std::vector<wchar_t> name(32768, L'\0');
    request.fileName.copy(name.data(), name.size() - 1);

    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner && owner->Handle() ? owner->Handle() : BoxOwner();
    dialog.lpstrFilter = filter.data();
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = name.data();
    dialog.nMaxFile = static_cast<DWORD>(name.size());
    dialog.lpstrDefExt = request.defaultSuffix.empty() ? nullptr : request.defaultSuffix.c_str();
    dialog.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_ENABLESIZING;
    const TModalScope modal;
    const BOOL chosen = request.save ? GetSaveFileNameW(&dialog) : GetOpenFileNameW(&dialog);
    return chosen ? TString(name.data()) : TString();
}

TString WithDefaultSuffix(const TString &fileName, const TString &suffix)
{
    const size_t name = fileName.find_last_of(L"\\/:");
    const size_t dot = fileName.rfind(L'.');
    if (fileName.empty() || suffix.empty() || (dot != TString::npos && (name == TString::npos || dot > name)))
        return fileName;
    return fileName + L"." + suffix;
}
