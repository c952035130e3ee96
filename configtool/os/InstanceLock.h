// What the single-instance guard needs of the system: places among the
// running instances of one guard that a process holds until it ends,
// however it ends (so a crashed instance never blocks a later start), and
// where the guard's names live. The system's versions are in os/<system>/.
#pragma once

#include <QString>

#include <memory>

// One process's hold on one place; released when destroyed.
class TInstanceLock {
public:
    virtual ~TInstanceLock() = default;
};

// Takes place `slot` of the guard for this process: null when another
// process holds it. Throws std::system_error when the guard cannot be made.
std::unique_ptr<TInstanceLock> TakeInstanceSlot(const QString &guardName, int slot);

// Where place `slot` of the guard is kept.
QString InstanceSlotPath(const QString &guardName, int slot);

// The full path of the running program file, as the system reports it.
QString ProgramFilePath();
