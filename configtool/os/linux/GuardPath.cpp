#include "GuardPath.h"

#include <QCryptographicHash>
#include <QFileInfo>

#include <unistd.h>

namespace {

// $XDG_RUNTIME_DIR is private to the user; /tmp is shared, so the user's
// id goes into the names there.
QString RuntimeDir(bool &shared)
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    shared = runtime.isEmpty() || !QFileInfo(runtime).isDir();
    return shared ? QStringLiteral("/tmp") : runtime;
}

} // namespace

QString GuardPath(const QString &guardName, const QString &suffix)
{
    bool shared = false;
    const QString dir = RuntimeDir(shared);
    QString stem = guardName;
    if (shared)
        stem += QLatin1Char('-') + QString::number(::getuid());
    // A socket address holds 108 bytes.
    if ((dir + QLatin1Char('/') + stem + QStringLiteral(".sock")).toLocal8Bit().size() > 100)
        stem = QStringLiteral("Mardune-") +
               QString::fromLatin1(QCryptographicHash::hash(stem.toUtf8(), QCryptographicHash::Sha1).toHex());
    return dir + QLatin1Char('/') + stem + suffix;
}
