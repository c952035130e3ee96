// What the tool's tests share: the tool's application for the whole run
// (a gtest environment, TestSupport.cpp), the process set-up before it, and
// the collected texts of the tool's message boxes and debugger output.
#pragma once

#include "Dialogs.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

namespace mardune::testing {

// Offscreen platform and the C locale (English month names), unless set.
void PrepareEnvironment();

// Catches ReportLastError's boxes, the unexpected-error boxes, the plain
// messages, confirmations and file dialogs, and the debugger output for as
// long as it lives.
class Collected {
public:
    Collected();
    ~Collected();
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
};

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
