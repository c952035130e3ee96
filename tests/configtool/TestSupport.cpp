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
    SetMessageHook([this](const QString &text) { messages << text; });
    SetConfirmHook([this](const QString &text) {
        confirmations << text;
        return confirmAnswer;
    });
    SetFileDialogHook([this](const TFileDialogRequest &request) {
        fileDialogs << request;
        return fileDialogAnswer;
    });
}

Collected::~Collected()
{
    SetReportLastErrorBox(nullptr);
    SetUnexpectedErrorBox(nullptr);
    SetDebugOutputHook(nullptr);
    SetMessageHook(nullptr);
    SetConfirmHook(nullptr);
    SetFileDialogHook(nullptr);
}

} // namespace mardune::testing
