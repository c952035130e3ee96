#include "ReportLastError.h"

#include "DebugOutput.h"

#include <QApplication>
#include <QMessageBox>

#include <cerrno>
#include <cstring>

namespace {

TMessageBoxHook &Box()
{
    static TMessageBoxHook hook;
    return hook;
}

// "<what>: <system text>" for the error the failed call left.
QString LastErrorText(const QString &what)
{
    const int error = errno; // before anything else can change it
    const char *systemText = std::strerror(error);
    return what + QStringLiteral(": ") + QString::fromLocal8Bit(systemText ? systemText : "");
}

} // namespace

void ReportLastError(const QString &what)
{
    const QString text = LastErrorText(what);
    if (Box())
        Box()(text);
    else {
        QMessageBox box(QMessageBox::NoIcon, QCoreApplication::applicationName(), text, QMessageBox::Ok,
                        QApplication::activeWindow());
        box.exec();
    }
    OutputDebugString(text);
}

QString LogLastError(const QString &what)
{
    const QString text = LastErrorText(what);
    OutputDebugString(text);
    return text;
}

void SetReportLastErrorBox(TMessageBoxHook hook)
{
    Box() = std::move(hook);
}
