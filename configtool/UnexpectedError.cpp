#include "UnexpectedError.h"

#include "DebugOutput.h"

#include <QMessageBox>

namespace {

TMessageBoxHook &Box()
{
    static TMessageBoxHook hook;
    return hook;
}

} // namespace

void ShowUnexpectedError(const QString &message)
{
    OutputDebugString(message);
    if (Box()) {
        Box()(message);
        return;
    }
    QMessageBox box(QMessageBox::Critical, QCoreApplication::applicationName(), message, QMessageBox::Ok,
                    QApplication::activeWindow());
    box.exec();
}

QString CurrentExceptionMessage()
{
    try {
        throw;
    } catch (const std::exception &error) {
        return QString::fromLocal8Bit(error.what());
    } catch (...) {
        return QStringLiteral("Unknown error");
    }
}

void SetUnexpectedErrorBox(TMessageBoxHook hook)
{
    Box() = std::move(hook);
}

TApplication::TApplication(int &argc, char **argv) : QApplication(argc, argv) {}

bool TApplication::notify(QObject *receiver, QEvent *event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        ShowUnexpectedError(CurrentExceptionMessage());
        return false;
    }
}
