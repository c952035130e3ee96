#include "Dialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QMessageBox>

#include <utility>

namespace {

// Icons and type names from the directory entry alone. The toolkit's own
// provider asks the MIME database, which opens every file whose name it does
// not know to read its first bytes: a FIFO without a writer, or /proc/kmsg,
// then blocks the user-interface thread for good.
class TEntryIconProvider final : public QFileIconProvider {
public:
    using QFileIconProvider::icon;

    QIcon icon(const QFileInfo &info) const override
    {
        if (info.isRoot())
            return icon(Drive);
        return icon(info.isDir() ? Folder : File);
    }

    QString type(const QFileInfo &info) const override
    {
        if (info.isRoot())
            return QStringLiteral("Drive");
        if (info.isDir())
            return QStringLiteral("Folder");
        const QString suffix = info.suffix();
        return suffix.isEmpty() ? QStringLiteral("File") : suffix + QStringLiteral(" File");
    }
};

// The dialog's icon provider, built before the dialog and destroyed after
// it (a base class), since the dialog's model uses it to its end.
struct TEntryIcons {
    TEntryIconProvider Provider;
};

// The toolkit's own dialog, not the desktop's, so that no file dialog of
// the tool ever reads a file to show it.
class TFileDialog final : private TEntryIcons, public QFileDialog {
public:
    explicit TFileDialog(QWidget *parent) : QFileDialog(parent)
    {
        setOption(QFileDialog::DontUseNativeDialog);
        setIconProvider(&Provider);
    }
};

// Hands an action to the event loop when the window it watches is hidden or
// destroyed, then goes.
class TCloseWatch final : public QObject {
public:
    TCloseWatch(QWidget *window, QObject *context, std::function<void()> action)
        : QObject(context), FAction(std::move(action))
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

    std::function<void()> FAction;
};

TMessageHook &MessageHook()
{
    static TMessageHook hook;
    return hook;
}

TConfirmHook &ConfirmHook()
{
    static TConfirmHook hook;
    return hook;
}

TFileDialogHook &FileDialogHook()
{
    static TFileDialogHook hook;
    return hook;
}

} // namespace

void ShowMessage(const QString &text)
{
    if (MessageHook()) {
        MessageHook()(text);
        return;
    }
    QMessageBox box(QMessageBox::NoIcon, QCoreApplication::applicationName(), text, QMessageBox::Ok,
                    QApplication::activeWindow());
    box.exec();
}

bool ConfirmOkCancel(const QString &text)
{
    if (ConfirmHook())
        return ConfirmHook()(text);
    QMessageBox box(QMessageBox::Question, QCoreApplication::applicationName(), text,
                    QMessageBox::Ok | QMessageBox::Cancel, QApplication::activeWindow());
    return box.exec() == QMessageBox::Ok;
}

bool DialogOpen()
{
    return QApplication::activeModalWidget() != nullptr;
}

void AfterDialogCloses(QObject *context, std::function<void()> action)
{
    if (QWidget *dialog = QApplication::activeModalWidget())
        new TCloseWatch(dialog, context, std::move(action)); // a child of the context
    else
        QMetaObject::invokeMethod(context, std::move(action), Qt::QueuedConnection);
}

QString WithDefaultSuffix(const QString &fileName, const QString &suffix)
{
    if (fileName.isEmpty() || suffix.isEmpty() || QFileInfo(fileName).fileName().contains(u'.'))
        return fileName;
    return fileName + u'.' + suffix;
}

QString ToolkitFilter(const QString &filter)
{
    const qsizetype bar = filter.indexOf(u'|');
    if (bar < 0)
        return filter;
    return filter.left(bar) + QStringLiteral(" (") + filter.mid(bar + 1) + u')';
}

std::unique_ptr<QFileDialog> CreateFileDialog(QWidget *parent, const TFileDialogRequest &request)
{
    auto dialog = std::make_unique<TFileDialog>(parent);
    dialog->setAcceptMode(request.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    // Neither asks before overwriting nor insists that the file exists.
    dialog->setFileMode(QFileDialog::AnyFile);
    dialog->setOption(QFileDialog::DontConfirmOverwrite);
    dialog->setNameFilter(ToolkitFilter(request.filter));
    dialog->setDefaultSuffix(request.defaultSuffix);
    if (!request.fileName.isEmpty())
        dialog->selectFile(request.fileName);
    return dialog;
}

QString ExecuteFileDialog(QWidget *parent, const TFileDialogRequest &request)
{
    QString chosen;
    if (FileDialogHook()) {
        chosen = FileDialogHook()(request);
    } else {
        const std::unique_ptr<QFileDialog> dialog = CreateFileDialog(parent, request);
        if (dialog->exec() == QDialog::Accepted && !dialog->selectedFiles().isEmpty())
            chosen = dialog->selectedFiles().constFirst();
    }
    return WithDefaultSuffix(chosen, request.defaultSuffix);
}

void SetMessageHook(TMessageHook hook)
{
    MessageHook() = std::move(hook);
}

void SetConfirmHook(TConfirmHook hook)
{
    ConfirmHook() = std::move(hook);
}

void SetFileDialogHook(TFileDialogHook hook)
{
    FileDialogHook() = std::move(hook);
}
