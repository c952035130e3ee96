// The single-instance guard: one guard per program file, named after the
// program's path with every path separator removed, so copies in different
// folders do not see each other.
//
// A counted instance holds one of the guard's places for its whole life
// (os/InstanceLock.h: the system releases it when the process ends, however
// it ends, so a crashed instance never blocks a later start). It also
// listens for later starts (os/InstanceChannel.h): a start that is turned
// away asks it to come forward (restored when minimised, raised and
// activated) and hands it the configuration file it was asked to open.
#pragma once

#include "os/InstanceChannel.h"
#include "os/InstanceLock.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <memory>

class QWidget;

// The guard's record, kept in the counted instance.
struct TInstanceInfo {
    uint32_t MainWindow = 0;   // native id of the window last brought forward
    int32_t InstanceCount = 0; // running counted instances when this one registered
};
static_assert(sizeof(TInstanceInfo) == 8, "TInstanceInfo must be 8 bytes");

// Gives the window that a later start brings forward (null while it does not
// exist yet); the start-up's main window.
using TWindowLookup = std::function<QWidget *()>;
// Takes a configuration file that a later start handed over (absolute path).
using TFileHandler = std::function<void(const QString &fileName)>;

class TInstanceGuard : public QObject {
    Q_OBJECT

public:
    explicit TInstanceGuard(QString guardName);
    ~TInstanceGuard() override; // the clean-up

    // True: the caller must quit at once (the limit is reached; the running
    // instance was asked to come forward and handed `fileName` when it is
    // not empty). False: counted, go on. Throws std::system_error when the
    // guard cannot be created.
    bool CheckInstanceLimit(TWindowLookup window, int limit, const QString &fileName = {});
    // Where the files of later starts go, after their window came forward;
    // files that came before there was a handler are handed to it now.
    void SetFileHandler(TFileHandler handler);

    const QString &GuardName() const { return FGuardName; }
    bool CountedInstance() const { return FCountedInstance; }
    const TInstanceInfo &Info() const { return FInfo; }

    // Where the guard keeps a place and its listener.
    static QString LockPath(const QString &guardName, int slot);
    static QString ServerPath(const QString &guardName);

private:
    void LaterStart(const TInstanceRequest &request);
    void BringForward();

    QString FGuardName;
    bool FCountedInstance = true;
    TInstanceInfo FInfo;
    std::unique_ptr<TInstanceLock> FLock;
    TWindowLookup FWindow;
    std::unique_ptr<TInstanceListener> FListener;
    TFileHandler FFileHandler;
    QStringList FWaitingFiles; // handed over before there was a handler
};

// The program file's guard name: its path without any path separator.
QString ProgramGuardName();

// The process's guard, for the start-up.
bool CheckInstanceLimit(TWindowLookup window, int limit, const QString &fileName = {});
void SetLaterStartFileHandler(TFileHandler handler);
// Runs once at process end: leaves the count, releases lock and listener.
void CheckPreviousCleanup();
