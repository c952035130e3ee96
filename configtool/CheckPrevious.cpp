#include "CheckPrevious.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QPointer>
#include <QWidget>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

namespace {

constexpr int ConnectTimeoutMs = 1000;
const QByteArray ComeForwardRequest = QByteArrayLiteral("show\n");

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

} // namespace

TInstanceGuard::TInstanceGuard(QString guardName) : FGuardName(std::move(guardName)) {}

TInstanceGuard::~TInstanceGuard()
{
    if (FCountedInstance && FLock)
        --FInfo.InstanceCount;
    if (FServer)
        FServer->close(); // removes the socket file
    FServer.reset();
    FLock.reset();
    FGuardName.clear();
}

QString TInstanceGuard::LockPath(const QString &guardName, int slot)
{
    return GuardPath(guardName, QStringLiteral(".%1.lock").arg(slot));
}

QString TInstanceGuard::ServerPath(const QString &guardName)
{
    return GuardPath(guardName, QStringLiteral(".sock"));
}

bool TInstanceGuard::CheckInstanceLimit(TWindowLookup window, int limit)
{
    // One lock file per place an instance may take; limit 1 gives one.
    const int slotCount = limit > 1 ? limit : 1;
    for (int slot = 0; slot < slotCount; ++slot) {
        const QByteArray path = QFile::encodeName(LockPath(FGuardName, slot));
        TUniqueFd fd(::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600));
        if (!fd)
            throw std::system_error(errno, std::generic_category(),
                                    "Cannot create the instance guard " + path.toStdString());
        if (::flock(fd.get(), LOCK_EX | LOCK_NB) == 0) {
            FLock = std::move(fd);
            FWindow = std::move(window);
            FInfo.MainWindow = 0;
            FInfo.InstanceCount = slot + 1;
            Listen();
            return false;
        }
        if (errno != EWOULDBLOCK)
            throw std::system_error(errno, std::generic_category(),
                                    "Cannot lock the instance guard " + path.toStdString());
    }
    FCountedInstance = false;
    AskToComeForward(FGuardName);
    return true;
}

void TInstanceGuard::Listen()
{
    // Whoever holds the lock owns the name: a socket file left there belongs
    // to an instance that has died.
    const QString path = ServerPath(FGuardName);
    QLocalServer::removeServer(path);
    FServer = std::make_unique<QLocalServer>();
    FServer->setSocketOptions(QLocalServer::UserAccessOption);
    connect(FServer.get(), &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket *socket = FServer->nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
                if (socket->readAll().contains(ComeForwardRequest.trimmed()))
                    BringForward();
            });
        }
    });
    // Without the socket this instance is still counted; it just cannot be
    // brought forward.
    FServer->listen(path);
}

void TInstanceGuard::BringForward()
{
    QWidget *window = FWindow ? FWindow() : nullptr;
    if (!window)
        return;
    FInfo.MainWindow = static_cast<uint32_t>(window->winId());
    if (window->isMinimized())
        window->showNormal();
    window->raise();
    window->activateWindow();
}

void TInstanceGuard::AskToComeForward(const QString &guardName)
{
    QLocalSocket socket;
    socket.connectToServer(ServerPath(guardName));
    if (!socket.waitForConnected(ConnectTimeoutMs))
        return; // nothing to bring forward; end silently all the same
    socket.write(ComeForwardRequest);
    socket.waitForBytesWritten(ConnectTimeoutMs);
    socket.disconnectFromServer();
    if (socket.state() != QLocalSocket::UnconnectedState)
        socket.waitForDisconnected(ConnectTimeoutMs);
}

QString ProgramGuardName()
{
    QString path = QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget();
    if (path.isEmpty())
        path = QCoreApplication::applicationFilePath();
    return path.remove(QLatin1Char('/'));
}

namespace {

std::unique_ptr<TInstanceGuard> &ProcessGuard()
{
    static std::unique_ptr<TInstanceGuard> guard;
    return guard;
}

} // namespace

bool CheckInstanceLimit(TWindowLookup window, int limit)
{
    ProcessGuard() = std::make_unique<TInstanceGuard>(ProgramGuardName());
    return ProcessGuard()->CheckInstanceLimit(std::move(window), limit);
}

void CheckPreviousCleanup()
{
    ProcessGuard().reset();
}
