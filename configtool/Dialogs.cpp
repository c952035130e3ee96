#include "Dialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

namespace {

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

QString ExecuteFileDialog(QWidget *parent, const TFileDialogRequest &request)
{
    QString chosen;
    if (FileDialogHook()) {
        chosen = FileDialogHook()(request);
    } else {
        QFileDialog dialog(parent);
        dialog.setAcceptMode(request.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
        // Neither asks before overwriting nor insists that the file exists.
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setOption(QFileDialog::DontConfirmOverwrite);
        dialog.setNameFilter(ToolkitFilter(request.filter));
        dialog.setDefaultSuffix(request.defaultSuffix);
        if (!request.fileName.isEmpty())
            dialog.selectFile(request.fileName);
        if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
            chosen = dialog.selectedFiles().constFirst();
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
