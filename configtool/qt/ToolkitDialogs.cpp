#include "ToolkitDialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QMessageBox>

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

} // namespace

void ToolkitBox(TBoxKind kind, const TString &text)
{
    QMessageBox box(kind == TBoxKind::Unexpected ? QMessageBox::Critical : QMessageBox::NoIcon,
                    QCoreApplication::applicationName(), text, QMessageBox::Ok, QApplication::activeWindow());
    box.exec();
}

bool ToolkitConfirm(const TString &text)
{
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

TString ToolkitFileDialog(QWidget *owner, const TFileDialogRequest &request)
{
    const std::unique_ptr<QFileDialog> dialog = CreateFileDialog(owner, request);
    if (dialog->exec() == QDialog::Accepted && !dialog->selectedFiles().isEmpty())
        return dialog->selectedFiles().constFirst();
    return {};
}
