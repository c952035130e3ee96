// The tool's file dialogs choose icons and types from directory entries
// alone: opening a file to look at its contents would hang the tool on a
// FIFO (no writer) or on /proc/kmsg (no message), and for good.
#include "Dialogs.h"
#include "TestSupport.h"

#include <QAbstractItemModel>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <set>

using mardune::testing::Deadline;

namespace {

// Shows the dialog in `where`, waits until its model has listed the folder,
// asks each entry for what the list view shows (icon, type), and closes it.
void BrowseTo(bool save, const QString &where)
{
    const std::unique_ptr<QFileDialog> dialog = CreateFileDialog(nullptr, {save, "USB RFID Config|*.rfc", {}, "rfc"});
    auto *model = dialog->findChild<QFileSystemModel *>();
    ASSERT_NE(model, nullptr);
    bool loaded = false;
    QObject::connect(model, &QFileSystemModel::directoryLoaded, dialog.get(),
                     [&](const QString &path) { loaded = loaded || QDir(path) == QDir(where); });
    dialog->setDirectory(where);
    dialog->show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return loaded; }, 30000)) << "the dialog never listed " << where.toStdString();
    const QModelIndex folder = model->index(where);
    for (int row = 0; row < model->rowCount(folder); ++row)
        for (int column = 0; column < model->columnCount(folder); ++column) {
            model->data(model->index(row, column, folder), Qt::DecorationRole);
            model->data(model->index(row, column, folder), Qt::DisplayRole);
        }
    QCoreApplication::processEvents();
    dialog->reject();
}

// The dialogs remember their last folder in the user's settings, and a
// later dialog starts there: this test's folders stay out of them.
class PrivateSettings {
public:
    PrivateSettings() { QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir_.path()); }
    ~PrivateSettings()
    {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                           QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation));
    }

private:
    QTemporaryDir dir_;
};

// Names of the files (not folders) opened in `folder` since the watch began.
std::set<std::string> OpenedFiles(int watch)
{
    std::set<std::string> names;
    alignas(inotify_event) char buffer[4096];
    ssize_t length;
    while ((length = ::read(watch, buffer, sizeof buffer)) > 0)
        for (ssize_t at = 0; at < length;) {
            const auto *event = reinterpret_cast<const inotify_event *>(buffer + at);
            if (!(event->mask & IN_ISDIR) && event->len > 0)
                names.insert(event->name);
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
        }
    return names;
}

} // namespace

TEST(FileDialog, NeverOpensAFileToChooseItsIconOrType)
{
    const PrivateSettings settings;
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    for (const char *fifo : {"pipe.rfc", "pipe"})
        ASSERT_EQ(::mkfifo(QFile::encodeName(dir.filePath(fifo)).constData(), 0600), 0) << fifo;
    for (const char *file : {"saved.rfc", "unknown", "script.sh"}) {
        QFile f(dir.filePath(file));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("#!/bin/sh\n[Before]\r\nKey1=4\r\n");
    }
    ASSERT_TRUE(QDir(dir.path()).mkdir("folder"));

    const int watch = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    ASSERT_GE(watch, 0);
    ASSERT_GE(::inotify_add_watch(watch, QFile::encodeName(dir.path()).constData(), IN_OPEN | IN_ACCESS), 0);
    {
        const Deadline deadline(std::chrono::seconds(90), "a file dialog hangs on a FIFO or a file in /proc");
        for (const bool save : {true, false})
            for (const QString &where : {dir.path(), QStringLiteral("/proc")})
                BrowseTo(save, where);
    }
    EXPECT_EQ(OpenedFiles(watch), std::set<std::string>{});
    ::close(watch);
}
