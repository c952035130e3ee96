#include "ReportLastError.h"

#include "DebugOutput.h"
#include "Dialogs.h"
#include "os/SystemText.h"

using namespace mardune::literals;

namespace {

// Read before anything else can change the last error.
TString LastErrorReport(const TString &what)
{
    const TString systemText = LastErrorText();
    return what + u": "_s + systemText;
}

} // namespace

void ReportLastError(const TString &what)
{
    const TString text = LastErrorReport(what);
    ShowReportBox(TBoxKind::Error, text);
    DebugOutput(text);
}

TString LogLastError(const TString &what)
{
    const TString text = LastErrorReport(what);
    DebugOutput(text);
    return text;
}
