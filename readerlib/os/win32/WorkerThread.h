// The library's own threads on Windows (the raw channel's receive thread),
// made so that the DLL can be unloaded while one runs.
//
// The unload runs under the loader lock, and a thread's exit needs that
// lock (for the DLLs' thread-detach calls), so the unload must never wait
// for a thread to exit. Nor may any of the library's code run once its
// image is gone. So the body runs as a work item of the system's thread
// pool: when it returns, its thread goes on in the system's own code and
// does not exit. The owner waits for the body to have returned (a wait that
// needs no lock), and then for the pool to have finished the callback, so
// that not one instruction of this image is left to run.
// Rejected: a thread that holds a reference to the module and leaves
// through FreeLibraryAndExitThread keeps the DLL loaded past the host's
// FreeLibrary, with the receive thread still calling back; a thread of its
// own parked in the system's code and ended there cannot be ended cleanly
// (TerminateThread leaves its stack behind on Wine, some 4 MB a load, and
// an ExitThread queued as an APC makes Wine repeat the wait's signal on a
// handle that is closed by then, returning into the unmapped image).
#pragma once

#include "../HidPlatform.h"
#include "Win32Support.h"

#include <functional>

namespace korvel::win32 {

class Win32WorkerThread final : public os::WorkerThread {
public:
    // Returns once the body runs, that is once a pool thread has taken it up
    // (a new pool thread's start-up takes the loader lock). Throws
    // std::system_error when the work item or its events cannot be made.
    explicit Win32WorkerThread(std::function<void()> body);
    // Waits until the body has returned, handling messages sent to this
    // thread meanwhile (the body may be handing a report to a window of this
    // thread), then until the pool has left the callback.
    ~Win32WorkerThread() override;
    Win32WorkerThread(const Win32WorkerThread &) = delete;
    Win32WorkerThread &operator=(const Win32WorkerThread &) = delete;

private:
    static void CALLBACK entry(PTP_CALLBACK_INSTANCE instance, void *self, PTP_WORK work);

    struct WorkCloser {
        void operator()(PTP_WORK work) const { CloseThreadpoolWork(work); }
    };

    std::function<void()> body_;
    UniqueHandle started_;
    UniqueHandle finished_;
    std::unique_ptr<TP_WORK, WorkCloser> work_;
};

} // namespace korvel::win32
