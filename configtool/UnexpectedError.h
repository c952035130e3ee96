// The handler for errors that no handler of the tool catches: shown with
// its message (a box and a debugger line). An exception that escapes an
// event handler ends there and the event loop goes on (the toolkit's
// TApplication, Forms.h); one raised during start-up ends the start-up.
#pragma once

#include "Forms.h"
#include "Text.h"

void ShowUnexpectedError(const TString &message);
// The message of the exception being handled (call inside a catch block).
TString CurrentExceptionMessage();
