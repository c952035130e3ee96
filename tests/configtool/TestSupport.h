// What the tool's tests share: the process set-up before QApplication, and
// the collected texts of the tool's message boxes and debugger output.
#pragma once

#include <QString>
#include <QStringList>

namespace mardune::testing {

// Offscreen platform and the C locale (English month names), unless set.
void PrepareEnvironment();

// Catches ReportLastError's boxes, the unexpected-error boxes and the
// debugger output for as long as it lives.
class Collected {
public:
    Collected();
    ~Collected();
    Collected(const Collected &) = delete;
    Collected &operator=(const Collected &) = delete;

    QStringList errors;     // ReportLastError boxes
    QStringList unexpected; // unexpected-error boxes
    QStringList debug;      // debugger output lines
};

} // namespace mardune::testing
