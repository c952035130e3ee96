#include "TestSupport.h"

#include "Forms.h"

#include <QSettings>
#include <QTemporaryDir>
#include <QtGlobal>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace mardune::testing {
namespace {

// The tool's application for the whole run of a test program: made before
// the first test, gone after the last. The file dialogs remember their last
// folder in the user's settings: the tests keep theirs to themselves.
class ToolApplication final : public ::testing::Environment {
public:
    void SetUp() override
    {
        PrepareEnvironment();
        application_ = std::make_unique<TApplication>(argc_, argv_);
        QCoreApplication::setApplicationName(QStringLiteral("Usb RFID Configuration Tool"));
        settings_ = std::make_unique<QTemporaryDir>();
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings_->path());
    }
    void TearDown() override
    {
        settings_.reset();
        application_.reset();
    }

private:
    char name_[8] = "mardune";
    char *argv_[2] = {name_, nullptr};
    int argc_ = 1;
    std::unique_ptr<TApplication> application_;
    std::unique_ptr<QTemporaryDir> settings_;
};

// Registered as the program starts, so that every test program of the tool
// (whose main is tests/support/TestMain.cpp) has the application.
[[maybe_unused]] ::testing::Environment *const application =
    ::testing::AddGlobalTestEnvironment(new ToolApplication);

} // namespace

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
