// The tool's debugger output: one line of text (stderr on Linux,
// OutputDebugStringW on Windows), or the test hook's (ToolHook.h).
#pragma once

#include "Text.h"

void DebugOutput(const TString &text);
