// The instance guard's places on Linux: an exclusive flock on a lock file
// per place (GuardPath.h). The kernel drops the lock when the process ends,
// however it ends.
#include "os/InstanceLock.h"

#include "GuardPath.h"
#include "UniqueFd.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

namespace {

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

QString ProgramFilePath()
{
    const QString path = QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget();
    return path.isEmpty() ? QCoreApplication::applicationFilePath() : path;
}
