#include "Forms.h"

#include "UnexpectedError.h"

#include <QMoveEvent>
#include <QScreen>
#include <QShowEvent>

#include <utility>

TForm::TForm(QWidget *parent) : QMainWindow(parent) {}

void TForm::DesignLoaded()
{
    // A fixed tool window of the designed width: caption and close button.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setFixedWidth(width());
}

void TForm::showEvent(QShowEvent *event)
{
    if (!event->spontaneous()) {
        if (!FShownBefore) { // centred on the screen when first shown
            FShownBefore = true;
            if (const QScreen *screen = this->screen())
                move(screen->availableGeometry().center() - frameGeometry().center() + pos());
        }
        DoShow();
    }
    QMainWindow::showEvent(event);
    ApplyOuterHeight(); // the frame is known once the window is shown
}

void TForm::moveEvent(QMoveEvent *event)
{
    QMainWindow::moveEvent(event);
    ApplyOuterHeight(); // a window manager may add its frame late
}

void TForm::SetOuterHeight(int pixels)
{
    FOuterHeight = pixels;
    ApplyOuterHeight();
}

void TForm::ApplyOuterHeight()
{
    if (FOuterHeight <= 0)
        return;
    // The frame the window system adds (none under a bare X server).
    const int client = FOuterHeight - (frameGeometry().height() - geometry().height());
    if (client != minimumHeight() || client != maximumHeight())
        setFixedHeight(client);
}

namespace {

void BlockSignals(QObject *root)
{
    root->blockSignals(true);
    for (QObject *child : root->findChildren<QObject *>())
        child->blockSignals(true);
}

} // namespace

void TForm::StopEvents()
{
    BlockSignals(this);
}

TDialog::TDialog(QWidget *owner) : QDialog(owner) {}

void TDialog::StopEvents()
{
    BlockSignals(this);
}

void TDialog::reject()
{
    if (CloseQuery())
        QDialog::reject();
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

void SetApplicationTitle(const TString &title)
{
    QCoreApplication::setApplicationName(title);
}

TStringList ApplicationArguments()
{
    return QCoreApplication::arguments();
}

TString ApplicationTitle()
{
    return QCoreApplication::applicationName();
}

void TerminateApplication()
{
    QCoreApplication::exit(0); // ends the event loop; the start-up ends the tool
}

void ProcessMessages()
{
    QCoreApplication::processEvents();
}

namespace {

// Hands an action to the event loop when the window it watches is hidden or
// destroyed, then goes.
class TCloseWatch final : public QObject {
public:
    TCloseWatch(QWidget *window, QObject *context, TNotifyEvent action) : QObject(context), FAction(std::move(action))
    {
        window->installEventFilter(this);
        connect(window, &QObject::destroyed, this, &TCloseWatch::Closed);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Hide)
            Closed();
        return QObject::eventFilter(watched, event);
    }

private:
    void Closed()
    {
        if (!FAction)
            return;
        // Queued: the window's own event loop returns first.
        QMetaObject::invokeMethod(parent(), std::exchange(FAction, {}), Qt::QueuedConnection);
        deleteLater();
    }

    TNotifyEvent FAction;
};

} // namespace

bool DialogOpen()
{
    return QApplication::activeModalWidget() != nullptr;
}

void AfterDialogCloses(QObject *context, TNotifyEvent action)
{
    if (QWidget *dialog = QApplication::activeModalWidget())
        new TCloseWatch(dialog, context, std::move(action)); // a child of the context
    else
        Later(context, std::move(action));
}

void Later(QObject *context, TNotifyEvent action)
{
    QMetaObject::invokeMethod(context, std::move(action), Qt::QueuedConnection);
}
