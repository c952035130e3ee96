#include "TestSupport.h"

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

namespace {

TArgumentsHook &ArgumentsHook()
{
    static TArgumentsHook hook;
    return hook;
}

} // namespace

void SetArgumentsHook(TArgumentsHook hook)
{
    ArgumentsHook() = std::move(hook);
}

Collected::Collected() : previous_(ToolHook())
{
    SetToolHook(this);
}

Collected::~Collected()
{
    SetToolHook(previous_);
}

void Collected::Box(TBoxKind kind, const QString &text)
{
    switch (kind) {
    case TBoxKind::Message: messages << text; break;
    case TBoxKind::Error: errors << text; break;
    case TBoxKind::Unexpected: unexpected << text; break;
    }
}

bool Collected::Confirm(const QString &text)
{
    confirmations << text;
    return confirmAnswer;
}

QString Collected::ChooseFile(const TFileDialogRequest &request)
{
    fileDialogs << request;
    return fileDialogAnswer;
}

void Collected::DebugLine(const QString &text)
{
    debug << text;
}

std::optional<QStringList> Collected::Arguments()
{
    if (ArgumentsHook())
        return ArgumentsHook()();
    return std::nullopt;
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
