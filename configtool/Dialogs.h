// The tool's plain message box, its OK/Cancel confirmation and its file
// dialogs. Each can be replaced by a hook (null restores the real one), so
// that tests run without modal windows.
#pragma once

#include <QString>

#include <functional>
#include <memory>

class QFileDialog;
class QObject;
class QWidget;

// A plain message box titled with the application title.
void ShowMessage(const QString &text);
// True when OK is pressed.
bool ConfirmOkCancel(const QString &text);

// What a file dialog is asked for. `filter` is in the form
// "Description|pattern".
struct TFileDialogRequest {
    bool save = false;
    QString filter;
    QString fileName;      // starting file name, may be empty
    QString defaultSuffix; // added to a name typed without one
};
// The chosen file name, empty when the user cancels.
QString ExecuteFileDialog(QWidget *parent, const TFileDialogRequest &request);
// The toolkit's dialog as ExecuteFileDialog runs it, not yet shown.
std::unique_ptr<QFileDialog> CreateFileDialog(QWidget *parent, const TFileDialogRequest &request);

// True while a modal window of the tool is open: a message box, a
// confirmation, a file dialog or the transfer dialog.
bool DialogOpen();
// Runs `action` on the event loop once the modal window that is open now
// has closed (another may be open by then: ask DialogOpen again). Dropped
// when `context` is destroyed first.
void AfterDialogCloses(QObject *context, std::function<void()> action);

// The file name with ".suffix" added when its last part has no extension.
QString WithDefaultSuffix(const QString &fileName, const QString &suffix);
// "Description|pattern" as the toolkit writes it: "Description (pattern)".
QString ToolkitFilter(const QString &filter);

using TMessageHook = std::function<void(const QString &text)>;
using TConfirmHook = std::function<bool(const QString &text)>;
using TFileDialogHook = std::function<QString(const TFileDialogRequest &request)>;
void SetMessageHook(TMessageHook hook);
void SetConfirmHook(TConfirmHook hook);
void SetFileDialogHook(TFileDialogHook hook);
