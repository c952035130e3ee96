#include "TestSupport.h"

#include "DebugOutput.h"
#include "ReportLastError.h"
#include "UnexpectedError.h"

#include <QtGlobal>

#include <cstdio>
#include <cstdlib>

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

Deadline::Deadline(std::chrono::seconds limit, std::string what)
    : watch_([this, limit, what = std::move(what)] {
          std::unique_lock guard(lock_);
          if (!done_.wait_for(guard, limit, [this] { return finished_; })) {
              std::fprintf(stderr, "FAILED: still not done after %llds: %s\n",
                           static_cast<long long>(limit.count()), what.c_str());
              std::fflush(stderr);
              std::_Exit(1);
          }
      })
{
}

Deadline::~Deadline()
{
    {
        std::lock_guard guard(lock_);
        finished_ = true;
    }
    done_.notify_all();
    watch_.join();
}

} // namespace mardune::testing
