// Later starts reach the running instance on Linux through a local socket
// beside the guard's lock files (GuardPath.h), private to the user. A socket
// rather than a file beside the lock: the running instance hears each start
// at once without watching a folder, two starts at the same moment cannot
// overwrite each other's file name, and nothing is left behind to clean up.
//
// One connection carries one request and ends with it:
//   "show\n"                      come forward
//   "show\n" "open\n" NAME        come forward and load the file NAME
// NAME is the file's absolute path in the system's file-name encoding, up to
// the end of the connection (so it may hold any byte but NUL). An instance
// older than file hand-over still comes forward on either.
#include "os/InstanceChannel.h"

#include "GuardPath.h"

#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>

#include <memory>

namespace {

constexpr int ConnectTimeoutMs = 1000;
const QByteArray ComeForward = QByteArrayLiteral("show\n");
const QByteArray OpenFile = QByteArrayLiteral("open\n");
// A path is at most PATH_MAX (4096) bytes; anything longer is no request.
constexpr qint64 MaxRequestSize = 64 * 1024;

// The request a whole connection carried; false for anything else.
bool ParseRequest(const QByteArray &data, TInstanceRequest &request)
{
    if (!data.startsWith(ComeForward))
        return false;
    const QByteArray rest = data.mid(ComeForward.size());
    if (rest.startsWith(OpenFile)) {
        const QByteArray name = rest.mid(OpenFile.size());
        if (!name.isEmpty() && !name.contains('\0'))
            request.FileName = QFile::decodeName(name);
    }
    return true;
}

class TLocalSocketListener final : public TInstanceListener {
public:
    explicit TLocalSocketListener(TInstanceRequestHandler handler) : FHandler(std::move(handler))
    {
        FServer.setSocketOptions(QLocalServer::UserAccessOption);
        QObject::connect(&FServer, &QLocalServer::newConnection, &FServer, [this] { Accept(); });
    }
    ~TLocalSocketListener() override { FServer.close(); } // removes the socket file

    bool Listen(const QString &path)
    {
        // Whoever holds the guard's lock owns the name: a socket file left
        // there belongs to an instance that has died.
        QLocalServer::removeServer(path);
        return FServer.listen(path);
    }

private:
    void Accept()
    {
        while (QLocalSocket *socket = FServer.nextPendingConnection()) {
            const auto received = std::make_shared<QByteArray>();
            QObject::connect(socket, &QLocalSocket::readyRead, socket, [socket, received] {
                received->append(socket->readAll());
                if (received->size() > MaxRequestSize)
                    socket->abort(); // no request: dropped
            });
            QObject::connect(socket, &QLocalSocket::disconnected, socket, [this, socket, received] {
                Finish(*socket, *received);
            });
            if (socket->state() == QLocalSocket::UnconnectedState) // gone before it was heard
                Finish(*socket, *received);
        }
    }

    // The connection has ended: what it carried is the request.
    void Finish(QLocalSocket &socket, QByteArray &received)
    {
        if (received.size() <= MaxRequestSize)
            received.append(socket.readAll());
        TInstanceRequest request;
        if (received.size() <= MaxRequestSize && ParseRequest(received, request))
            FHandler(request);
        received.clear();
        socket.deleteLater();
    }

    TInstanceRequestHandler FHandler;
    QLocalServer FServer;
};

} // namespace

std::unique_ptr<TInstanceListener> ListenForLaterStarts(const QString &guardName, TInstanceRequestHandler handler)
{
    auto listener = std::make_unique<TLocalSocketListener>(std::move(handler));
    if (!listener->Listen(InstanceServerName(guardName)))
        return nullptr;
    return listener;
}

bool SendToRunningInstance(const QString &guardName, const TInstanceRequest &request)
{
    QLocalSocket socket;
    socket.connectToServer(InstanceServerName(guardName));
    if (!socket.waitForConnected(ConnectTimeoutMs))
        return false;
    QByteArray data = ComeForward;
    if (!request.FileName.isEmpty())
        data += OpenFile + QFile::encodeName(request.FileName);
    socket.write(data);
    while (socket.bytesToWrite() > 0)
        if (!socket.waitForBytesWritten(ConnectTimeoutMs))
            return false;
    socket.disconnectFromServer();
    if (socket.state() != QLocalSocket::UnconnectedState)
        socket.waitForDisconnected(ConnectTimeoutMs);
    return true;
}

QString InstanceServerName(const QString &guardName)
{
    return GuardPath(guardName, QStringLiteral(".sock"));
}
