// The Win32 toolkit's message boxes and file dialogs, as the tool's dialogs
// (Dialogs.h) show them when no test answers in the user's place.
#pragma once

#include "Text.h"

class TForm;

// What a box reports: the kind chooses its icon.
enum class TBoxKind {
    Message,    // a plain message
    Error,      // a failed library call
    Unexpected, // an error nothing else handled
};

// A box with an OK button, captioned with the application title, owned by
// the active window of the tool.
void ShowBox(TBoxKind kind, const TString &text);
// OK and Cancel: true when OK is pressed.
bool ShowConfirmation(const TString &text);

struct TFileDialogRequest {
    bool save = false;
    TString filter;        // "Description|pattern"
    TString fileName;      // starting file name, may be empty
    TString defaultSuffix; // added to a name typed without one
};
// The system's Open or Save dialog: the chosen file name, empty when the
// user cancels. Neither asks before overwriting nor insists that the file
// exists.
TString ShowFileDialog(const TFileDialogRequest &request);

// The handler for unexpected errors: a box and a debugger line.
void ShowUnexpectedError(const TString &message);
// The message of the exception being handled (inside a catch block).
TString CurrentExceptionMessage();
