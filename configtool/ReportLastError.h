// The one error report for failed library calls: "<what>: <system text of
// errno>" in a message box titled with the application title, then on the
// debugger output.
#pragma once

#include <QString>

#include <functional>

void ReportLastError(const QString &what);
// The same report without the box: written to the debugger output and
// returned, for a caller that folds it into a message of its own.
QString LogLastError(const QString &what);

// Where a failed library call is reported: ReportLastError, or a caller's
// own collector.
using TErrorReport = std::function<void(const QString &what)>;

// Replaces the modal message box (null restores it), so that tests can
// collect the texts.
using TMessageBoxHook = std::function<void(const QString &text)>;
void SetReportLastErrorBox(TMessageBoxHook hook);
