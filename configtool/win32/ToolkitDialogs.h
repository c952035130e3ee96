// The Win32 binding's message boxes and file dialogs, as the tool's dialogs
// (Dialogs.h) show them when no test answers in the user's place.
#pragma once

#include "ToolHook.h"

class TForm;

// A box with an OK button, captioned with the application title, owned by
// the active window of the tool.
void ToolkitBox(TBoxKind kind, const TString &text);
// OK and Cancel: true when OK is pressed.
bool ToolkitConfirm(const TString &text);
// The system's Open or Save dialog: the chosen file name, empty when the
// user cancels. Neither asks before overwriting nor insists that the file
// exists; the default suffix goes to a name typed without an extension.
TString ToolkitFileDialog(TForm *owner, const TFileDialogRequest &request);

// The file name with ".suffix" added when its last part has no extension.
TString WithDefaultSuffix(const TString &fileName, const TString &suffix);
