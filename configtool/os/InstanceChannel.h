// What the single-instance guard needs of the system beside its places
// (os/InstanceLock.h): a way for a start that is turned away to reach the
// counted instance, ask it to come forward and hand it the file it was
// asked to open. The counted instance listens for its whole life. The
// system's versions are in os/<system>/: on Linux a local socket beside the
// guard's lock files; on Windows the window in the guard's record, reached
// with WM_COPYDATA.
#pragma once

#include <QString>

#include <functional>
#include <memory>

// What a later start asks of the running instance: always to come forward,
// and to load a configuration file when one is named.
struct TInstanceRequest {
    QString FileName; // absolute; empty: none
};

using TInstanceRequestHandler = std::function<void(const TInstanceRequest &request)>;

// Hears later starts for as long as it lives.
class TInstanceListener {
public:
    virtual ~TInstanceListener() = default;
};

// Listens under the guard's name, taking the name over from an instance
// that died; each request goes to `handler` on the user-interface thread.
// Null when the system refuses: the instance is still counted, later
// starts just cannot reach it.
std::unique_ptr<TInstanceListener> ListenForLaterStarts(const QString &guardName, TInstanceRequestHandler handler);

// Hands the request to the instance that listens under the guard's name.
// False when none takes it.
bool SendToRunningInstance(const QString &guardName, const TInstanceRequest &request);

// Where the listener of the guard is reached.
QString InstanceServerName(const QString &guardName);
