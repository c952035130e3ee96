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

} // namespace

void ReportLastError(const QString &what)
{
    const int error = errno; // before anything else can change it
    const char *systemText = std::strerror(error);
    const QString text = what + QStringLiteral(": ") + QString::fromLocal8Bit(systemText ? systemText : "");
    if (Box())
        Box()(text);
    else {
        QMessageBox box(QMessageBox::NoIcon, QCoreApplication::applicationName(), text, QMessageBox::Ok,
                        QApplication::activeWindow());
        box.exec();
    }
    OutputDebugString(text);
}

void SetReportLastErrorBox(TMessageBoxHook hook)
{
    Box() = std::move(hook);
}
