// The single-instance guard on Windows: one per program file (the named
// shared block of os/win32/InstanceBlock.h), counting the running instances.
// A counted instance registers its instance window, a message window made
// before the check; a later start that is turned away asks through it
// (WM_COPYDATA) for the running instance to come forward (its main window
// restored when minimised and made the foreground window) and hands it the
// configuration file it was asked to open. The running instance does the
// restoring itself, at the later start's request: so a start during its own
// start-up, before its main window exists, still reaches it.
#pragma once

#include "Forms.h"

#include <functional>

using TFileHandler = std::function<void(const TString &fileName)>;

// True: the caller must quit at once (the limit is reached; the running
// instance was asked to come forward and handed `fileName` when it is not
// empty). False: counted, go on. Throws std::system_error when the guard
// cannot be created.
bool CheckInstanceLimit(int limit, const TString &fileName = {});
// The window that comes forward at a later start's request.
void SetInstanceMainForm(TForm *form);
// Where the files of later starts go; files that came before there was a
// handler are handed to it now.
void SetLaterStartFileHandler(TFileHandler handler);
// Runs once at process end: leaves the count, releases the block and the
// instance window.
void CheckPreviousCleanup();
