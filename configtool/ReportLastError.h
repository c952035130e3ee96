// The one error report for failed library calls: "<what>: <the system's
// text for the last error code>" (errno's on Linux, the system message
// table's on Windows) in a message box titled with the application title,
// and on the debugger output.
#pragma once

#include "Text.h"

#include <functional>

void ReportLastError(const TString &what);
// The same report without the box: written to the debugger output and
// returned, for a caller that folds it into a message of its own.
TString LogLastError(const TString &what);

// Where a failed library call is reported: ReportLastError, or a caller's
// own collector.
using TErrorReport = std::function<void(const TString &what)>;
