// The single-instance guard's record on Windows: an 8-byte block of named
// shared memory (page-file backed) whose name is the program file's path
// without its backslashes ("C:\Tools\Mardune.exe" -> "C:ToolsMardune.exe"),
// in the per-logon namespace. It counts the running instances and holds the
// window through which a later start reaches the instance that registered
// last.
#pragma once

#include <cstdint>
#include <string>

struct HWND__;

// The block's record, little-endian as the system keeps it.
struct TInstanceInfo {
    uint32_t MainWindow;   // the window of the instance that registered last
    int32_t InstanceCount; // running counted instances
};
static_assert(sizeof(TInstanceInfo) == 8, "TInstanceInfo must be 8 bytes");

class TInstanceBlock {
public:
    explicit TInstanceBlock(std::wstring guardName);
    // The clean-up: a counted instance leaves the count.
    ~TInstanceBlock();
    TInstanceBlock(const TInstanceBlock &) = delete;
    TInstanceBlock &operator=(const TInstanceBlock &) = delete;

    // True: quit at once (the limit is reached: MainWindow is the running
    // instance's, or null when the existing block cannot be opened). False:
    // counted, with `window` registered; go on. Throws std::system_error when
    // the block cannot be created.
    bool CheckInstanceLimit(HWND__ *window, int32_t limit);
    // The window the instance that registered last gave.
    HWND__ *MainWindow() const;

    const std::wstring &GuardName() const { return FGuardName; }
    bool CountedInstance() const { return FCountedInstance; }

private:
    void Map(void *mapping);
    void Release();

    std::wstring FGuardName;
    void *FMapping = nullptr;
    TInstanceInfo *FView = nullptr;
    bool FCountedInstance = true;
};

// The guard name of the running program file.
std::wstring ProgramGuardName();
