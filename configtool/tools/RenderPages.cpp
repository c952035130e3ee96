// Renders the main window with each of its pages to PNG files, against
// whatever reader is attached (the virtual one in scripts/screenshots):
//   mardune_render_pages OUTPUT_DIR [PREFIX]
// Files are named PREFIX + page number + caption, e.g. "03-card-code.png".
#include "Unit1.h"

#include <QApplication>
#include <QDir>
#include <QFont>
#include <QRegularExpression>
#include <QTabWidget>
#include <QThread>

#include <cstdio>

namespace {

QString FileNameFor(int index, const QString &caption)
{
    QString name = caption.toLower();
    name.replace(QLatin1Char('&'), QString());
    name.replace(QRegularExpression(QStringLiteral("[^a-z0-9]+")), QStringLiteral("-"));
    name.remove(QRegularExpression(QStringLiteral("^-|-$")));
    return QStringLiteral("%1-%2.png").arg(index + 1, 2, 10, QLatin1Char('0')).arg(name);
}

void Settle()
{
    for (int i = 0; i < 5; ++i) {
        QCoreApplication::processEvents();
        QThread::msleep(20);
    }
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: mardune_render_pages OUTPUT_DIR [PREFIX]\n");
        return 2;
    }
    QFont::insertSubstitutions(QStringLiteral("Tahoma"), {QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")});
    const QDir out(QString::fromLocal8Bit(argv[1]));
    const QString prefix = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QString();
    QDir().mkpath(out.path());

    TForm1 form;
    form.show();
    Settle();
    auto *pages = form.findChild<QTabWidget *>(QStringLiteral("PageControl"));
    if (!pages || form.height() < FullHeight - 100) { // no reader: one picture of the compact window
        const QString path = out.filePath(prefix + QStringLiteral("not-attached.png"));
        form.grab().save(path);
        std::printf("%s\n", qPrintable(path));
        return 0;
    }
    for (int i = 0; i < pages->count(); ++i) {
        if (!pages->isTabVisible(i))
            continue;
        pages->setCurrentIndex(i);
        Settle();
        const QString path = out.filePath(prefix + FileNameFor(i, pages->tabText(i)));
        if (!form.grab().save(path)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            return 1;
        }
        std::printf("%s\n", qPrintable(path));
    }
    return 0;
}
