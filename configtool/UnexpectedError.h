// The handler for errors that no handler of the tool catches. An exception
// that escapes an event handler is shown with its message and the event
// loop goes on; one raised during start-up ends the start-up (main).
#pragma once

#include "ReportLastError.h"

#include <QApplication>

#include <exception>

// Shows the message in a message box and on the debugger output.
void ShowUnexpectedError(const QString &message);
// The message of the exception being handled (call inside a catch block).
QString CurrentExceptionMessage();

// Replaces the modal message box (null restores it).
void SetUnexpectedErrorBox(TMessageBoxHook hook);

class TApplication : public QApplication {
public:
    TApplication(int &argc, char **argv);

    bool notify(QObject *receiver, QEvent *event) override;
};
