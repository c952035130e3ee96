// The Qt binding's message boxes and file dialogs, as the tool's dialogs
// (Dialogs.h) show them when no test answers in the user's place.
#pragma once

#include "ToolHook.h"

#include <memory>

class QFileDialog;
class QWidget;

// A box with an OK button, captioned with the application title, over the
// active window.
void ToolkitBox(TBoxKind kind, const TString &text);
// OK and Cancel: true when OK is pressed.
bool ToolkitConfirm(const TString &text);
// The toolkit's own dialog: the chosen file name, empty when cancelled.
TString ToolkitFileDialog(QWidget *owner, const TFileDialogRequest &request);
// That dialog, not yet shown: it never reads a file to show it, neither
// asks before overwriting nor insists that the file exists.
std::unique_ptr<QFileDialog> CreateFileDialog(QWidget *parent, const TFileDialogRequest &request);

// The file name with ".suffix" added when its last part has no extension.
QString WithDefaultSuffix(const QString &fileName, const QString &suffix);
// "Description|pattern" as the toolkit writes it: "Description (pattern)".
QString ToolkitFilter(const QString &filter);
