// What the tool's reports need of the system: the text for the last error
// a failed library call left (errno's text on Linux, the system message
// table's on Windows), and the debugger output (stderr on Linux,
// OutputDebugStringW on Windows).
#pragma once

#include "Text.h"

// The text as the system gives it (Windows' usually ends in a line break);
// empty when it has none. The last error stays as it was.
TString LastErrorText();
// One report line for a debugger.
void WriteDebugOutput(const TString &text);
