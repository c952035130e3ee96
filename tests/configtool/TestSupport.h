// What the tool's tests share: the tool's application for the whole run
// (a gtest environment, TestSupport.cpp), the process set-up before it, and
// the collected texts of the tool's message boxes and debugger output.
#pragma once

#include "Dialogs.h"
#include "ToolHook.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

namespace mardune::testing {

// Offscreen platform and the C locale (English month names), unless set.
void PrepareEnvironment();

// Catches ReportLastError's boxes, the unexpected-error boxes, the plain
// messages, confirmations and file dialogs, and the debugger output for as
// long as it lives: the tool's hook (ToolHook.h), answering in the user's
// place.
class Collected final : public TToolHook {
public:
    Collected();
    ~Collected() override;
    Collected(const Collected &) = delete;
    Collected &operator=(const Collected &) = delete;

    QStringList errors;     // ReportLastError boxes
    QStringList unexpected; // unexpected-error boxes
    QStringList debug;      // debugger output lines
    QStringList messages;   // plain message boxes
    QStringList confirmations;
    bool confirmAnswer = true; // OK
    QList<TFileDialogRequest> fileDialogs;
    QString fileDialogAnswer; // the chosen name; empty: cancelled

    void Box(TBoxKind kind, const QString &text) override;
    bool Confirm(const QString &text) override;
    QString ChooseFile(const TFileDialogRequest &request) override;
    void DebugLine(const QString &text) override;
    std::optional<QStringList> Arguments() override;

private:
    TToolHook *previous_;
};

// The program's command line as the start-up load sees it (program name
// first), while a Collected is in place; null restores the real one.
using TArgumentsHook = std::function<QStringList()>;
void SetArgumentsHook(TArgumentsHook hook);

// Ends the whole test binary with a failure message when it is still alive
// after `limit`: for steps that would otherwise hang the process for good
// (a blocked system call on the user-interface thread).
class Deadline {
public:
    Deadline(std::chrono::seconds limit, std::string what);
    ~Deadline();
    Deadline(const Deadline &) = delete;
    Deadline &operator=(const Deadline &) = delete;

private:
    std::mutex lock_;
    std::condition_variable done_;
    bool finished_ = false;
    std::thread watch_;
};

} // namespace mardune::testing
