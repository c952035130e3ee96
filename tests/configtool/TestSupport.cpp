#include "TestSupport.h"

#include "DebugOutput.h"
#include "ReportLastError.h"
#include "UnexpectedError.h"

#include <QtGlobal>

namespace mardune::testing {

void PrepareEnvironment()
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("LC_ALL", "C");
}

Collected::Collected()
{
    SetReportLastErrorBox([this](const QString &text) { errors << text; });
    SetUnexpectedErrorBox([this](const QString &text) { unexpected << text; });
    SetDebugOutputHook([this](const QString &text) { debug << text; });
}

Collected::~Collected()
{
    SetReportLastErrorBox(nullptr);
    SetUnexpectedErrorBox(nullptr);
    SetDebugOutputHook(nullptr);
}

} // namespace mardune::testing
