// The library's own threads on Windows (the raw channel's receive thread),
// made so that the DLL can be unloaded while one runs.
//
// The unload runs under the loader lock, and a thread's exit needs that
// lock (for the DLLs' thread-detach calls), so the unload must never wait
// for a thread to exit by itself. Nor may any of the library's code run once
// its image is gone. So a thread ends in two steps. When its body returns,
// it signals `finished_` and, in the same system call (SignalObjectAndWait),
// starts a wait that nothing satisfies: from then on it executes only the
// system's code and holds no lock. The owner waits for `finished_` (a wait
// that needs no lock), then terminates the parked thread and waits for that:
// a terminated thread makes no thread-detach calls, so its end needs no
// loader lock either. The handles are closed only then, as the system may
// still use them in the parked thread's wait. (The thread's small per-thread
// runtime data is not freed by a termination; its stack is.)
// Rejected: a thread that holds a reference to the module and leaves through
// FreeLibraryAndExitThread keeps the DLL loaded past the host's FreeLibrary,
// with the receive thread still calling back; an ExitThread queued to the
// parked thread as an APC makes Wine restart the wait, signalling
// `finished_` again, and when its handle is gone by then the wait returns
// into the unmapped image.
#pragma once

#include "../HidPlatform.h"
#include "Win32Support.h"

#include <functional>

namespace korvel::win32 {

class Win32WorkerThread final : public os::WorkerThread {
public:
    // Returns once the thread runs its body, that is past its start-up in
    // the loader (which takes the loader lock). Throws std::system_error
    // when the thread or its events cannot be made.
    explicit Win32WorkerThread(std::function<void()> body);
    // Waits until the body has returned, handling messages sent to this
    // thread meanwhile (the body may be handing a report to a window of this
    // thread), then ends the parked thread.
    ~Win32WorkerThread() override;
    Win32WorkerThread(const Win32WorkerThread &) = delete;
    Win32WorkerThread &operator=(const Win32WorkerThread &) = delete;

private:
    static DWORD WINAPI entry(void *self);

    std::function<void()> body_;
    UniqueHandle started_;
    UniqueHandle finished_;
    UniqueHandle thread_;
};

} // namespace korvel::win32
