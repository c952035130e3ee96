// The instance guard's places on Linux: an exclusive flock on a lock file
// per place, in $XDG_RUNTIME_DIR (else /tmp). The kernel drops the lock
// when the process ends, however it ends.
#include "os/InstanceLock.h"

#include "UniqueFd.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

namespace {

// $XDG_RUNTIME_DIR is private to the user; /tmp is shared, so the user's
// id goes into the names there.
QString RuntimeDir(bool &shared)
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    shared = runtime.isEmpty() || !QFileInfo(runtime).isDir();
    return shared ? QStringLiteral("/tmp") : runtime;
}

// The guard name as a file name; a hash of it when the name would not fit
// into a socket address (108 bytes).
QString GuardPath(const QString &guardName, const QString &suffix)
{
    bool shared = false;
    const QString dir = RuntimeDir(shared);
    QString stem = guardName;
    if (shared)
        stem += QLatin1Char('-') + QString::number(::getuid());
    if ((dir + QLatin1Char('/') + stem + QStringLiteral(".sock")).toLocal8Bit().size() > 100)
        stem = QStringLiteral("Mardune-") +
               QString::fromLatin1(QCryptographicHash::hash(stem.toUtf8(), QCryptographicHash::Sha1).toHex());
    return dir + QLatin1Char('/') + stem + suffix;
}

class TFlockInstanceLock final : public TInstanceLock {
public:
    explicit TFlockInstanceLock(TUniqueFd fd) : FFd(std::move(fd)) {}

private:
    TUniqueFd FFd; // holds the lock
};

} // namespace

std::unique_ptr<TInstanceLock> TakeInstanceSlot(const QString &guardName, int slot)
{
    const QByteArray path = QFile::encodeName(InstanceSlotPath(guardName, slot));
    TUniqueFd fd(::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600));
    if (!fd)
        throw std::system_error(errno, std::generic_category(), "Cannot create the instance guard " + path.toStdString());
    if (::flock(fd.get(), LOCK_EX | LOCK_NB) == 0)
        return std::make_unique<TFlockInstanceLock>(std::move(fd));
    if (errno != EWOULDBLOCK)
        throw std::system_error(errno, std::generic_category(), "Cannot lock the instance guard " + path.toStdString());
    return nullptr;
}

QString InstanceSlotPath(const QString &guardName, int slot)
{
    return GuardPath(guardName, QStringLiteral(".%1.lock").arg(slot));
}

QString InstanceServerName(const QString &guardName)
{
    return GuardPath(guardName, QStringLiteral(".sock"));
}

QString ProgramFilePath()
{
    const QString path = QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget();
    return path.isEmpty() ? QCoreApplication::applicationFilePath() : path;
}
