#include "CheckPrevious.h"

#include "DebugOutput.h"

#include <QDir>
#include <QWidget>

#include <utility>

TInstanceGuard::TInstanceGuard(QString guardName) : FGuardName(std::move(guardName)) {}

TInstanceGuard::~TInstanceGuard()
{
    if (FCountedInstance && FLock)
        --FInfo.InstanceCount;
    FListener.reset(); // removes the socket file
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

bool TInstanceGuard::CheckInstanceLimit(TWindowLookup window, int limit, const QString &fileName)
{
    // One place per instance that may run; limit 1 gives one.
    const int slotCount = limit > 1 ? limit : 1;
    for (int slot = 0; slot < slotCount; ++slot) {
        if (auto lock = TakeInstanceSlot(FGuardName, slot)) {
            FLock = std::move(lock);
            FWindow = std::move(window);
            FInfo.MainWindow = 0;
            FInfo.InstanceCount = slot + 1;
            FListener = ListenForLaterStarts(FGuardName, [this](const TInstanceRequest &request) { LaterStart(request); });
            return false;
        }
    }
    FCountedInstance = false;
    // Without an instance that listens there is nothing to bring forward:
    // this start ends silently all the same, but says what became of its file.
    if (!SendToRunningInstance(FGuardName, TInstanceRequest{fileName}) && !fileName.isEmpty())
        DebugOutput(QStringLiteral("Mardune is running but does not answer: %1 was not opened.").arg(fileName));
    return true;
}

void TInstanceGuard::SetFileHandler(TFileHandler handler)
{
    FFileHandler = std::move(handler);
    if (!FFileHandler)
        return;
    const QStringList waiting = std::exchange(FWaitingFiles, {});
    for (const QString &fileName : waiting)
        FFileHandler(fileName);
}

void TInstanceGuard::LaterStart(const TInstanceRequest &request)
{
    BringForward();
    if (request.FileName.isEmpty())
        return;
    if (FFileHandler)
        FFileHandler(request.FileName);
    else
        FWaitingFiles << request.FileName;
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

bool CheckInstanceLimit(TWindowLookup window, int limit, const QString &fileName)
{
    ProcessGuard() = std::make_unique<TInstanceGuard>(ProgramGuardName());
    return ProcessGuard()->CheckInstanceLimit(std::move(window), limit, fileName);
}

void SetLaterStartFileHandler(TFileHandler handler)
{
    if (ProcessGuard())
        ProcessGuard()->SetFileHandler(std::move(handler));
}

void CheckPreviousCleanup()
{
    ProcessGuard().reset();
}
