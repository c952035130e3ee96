// The tool's plain message box, its OK/Cancel confirmation and its file
// dialogs, captioned with the application title; a test answers them in
// the user's place through the tool's hook (ToolHook.h). The toolkit's own
// boxes and dialogs are in its ToolkitDialogs.h.
#pragma once

#include "Forms.h"
#include "ToolHook.h"
#include "ToolkitDialogs.h"

void ShowMessage(const TString &text);
// True when OK is pressed.
bool ConfirmOkCancel(const TString &text);
// A box of the given kind, as ShowMessage, ReportLastError and the
// handler of unexpected errors show theirs.
void ShowReportBox(TBoxKind kind, const TString &text);
// The chosen file name, with the default suffix added to a name typed
// without an extension; empty when the user cancels.
TString ExecuteFileDialog(TForm *owner, const TFileDialogRequest &request);
