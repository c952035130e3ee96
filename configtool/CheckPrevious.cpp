#include "CheckPrevious.h"

#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QWidget>

namespace {

constexpr int ConnectTimeoutMs = 1000;
const QByteArray ComeForwardRequest = QByteArrayLiteral("show\n");

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
    return InstanceSlotPath(guardName, slot);
}

QString TInstanceGuard::ServerPath(const QString &guardName)
{
    return InstanceServerName(guardName);
}

bool TInstanceGuard::CheckInstanceLimit(TWindowLookup window, int limit)
{
    // One place per instance that may run; limit 1 gives one.
    const int slotCount = limit > 1 ? limit : 1;
    for (int slot = 0; slot < slotCount; ++slot) {
        if (auto lock = TakeInstanceSlot(FGuardName, slot)) {
            FLock = std::move(lock);
            FWindow = std::move(window);
            FInfo.MainWindow = 0;
            FInfo.InstanceCount = slot + 1;
            Listen();
            return false;
        }
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
    return ProgramFilePath().remove(QDir::separator());
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
