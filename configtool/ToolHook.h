// The tool's one test hook: what the tool shows the user or asks of them
// (message boxes, confirmations, file dialogs), what it writes to the
// debugger output, and the command line it reads. A test installs one to
// answer in the user's place and to collect the texts; without one the
// toolkit's boxes and dialogs, the system's debugger output and the real
// command line serve.
#pragma once

#include "Text.h"

#include <optional>

// What a box reports; the kind chooses its look.
enum class TBoxKind {
    Message,    // a plain message (ShowMessage)
    Error,      // a failed library call (ReportLastError)
    Unexpected, // an error no handler of the tool caught
};

// What a file dialog is asked for. `filter` is in the form
// "Description|pattern".
struct TFileDialogRequest {
    bool save = false;
    TString filter;
    TString fileName;      // starting file name, may be empty
    TString defaultSuffix; // added to a name typed without one
};

class TToolHook {
public:
    virtual ~TToolHook() = default;
    // A box with an OK button.
    virtual void Box(TBoxKind kind, const TString &text) = 0;
    // OK or Cancel: true for OK.
    virtual bool Confirm(const TString &text) = 0;
    // The chosen file name, empty for Cancel.
    virtual TString ChooseFile(const TFileDialogRequest &request) = 0;
    virtual void DebugLine(const TString &text) = 0;
    // The command line, the program first; nothing: the real one.
    virtual std::optional<TStringList> Arguments() = 0;
};

// The hook in place, null when none is.
TToolHook *ToolHook();
// Installs `hook` (null: none); the caller keeps it alive meanwhile.
void SetToolHook(TToolHook *hook);
