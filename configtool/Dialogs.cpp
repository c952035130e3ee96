#include "Dialogs.h"

void ShowReportBox(TBoxKind kind, const TString &text)
{
    if (TToolHook *hook = ToolHook())
        hook->Box(kind, text);
    else
        ToolkitBox(kind, text);
}

void ShowMessage(const TString &text)
{
    ShowReportBox(TBoxKind::Message, text);
}

bool ConfirmOkCancel(const TString &text)
{
    if (TToolHook *hook = ToolHook())
        return hook->Confirm(text);
    return ToolkitConfirm(text);
}

TString ExecuteFileDialog(TForm *owner, const TFileDialogRequest &request)
{
    const TString chosen = ToolHook() ? ToolHook()->ChooseFile(request) : ToolkitFileDialog(owner, request);
    return WithDefaultSuffix(chosen, request.defaultSuffix);
}
