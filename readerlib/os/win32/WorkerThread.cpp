#include "WorkerThread.h"

#include <system_error>

namespace korvel::win32 {
namespace {

[[noreturn]] void failWithLastError(const char *what)
{
    throw std::system_error(static_cast<int>(GetLastError()), std::system_category(), what);
}

UniqueHandle manualResetEvent()
{
    UniqueHandle event(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!event)
        failWithLastError("CreateEventW");
    return event;
}

// Waits for `object`, handling the messages other threads send to this one.
void waitHandlingSentMessages(HANDLE object)
{
    for (;;) {
        const DWORD woken = MsgWaitForMultipleObjectsEx(1, &object, INFINITE, QS_SENDMESSAGE, MWMO_INPUTAVAILABLE);
        if (woken != WAIT_OBJECT_0 + 1)
            return; // signalled (or a failed wait, which no retry would mend)
        MSG message;
        PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
}

} // namespace

Win32WorkerThread::Win32WorkerThread(std::function<void()> body)
    : body_(std::move(body)), started_(manualResetEvent()), finished_(manualResetEvent())
{
    work_.reset(CreateThreadpoolWork(&Win32WorkerThread::entry, this, nullptr));
    if (!work_)
        failWithLastError("CreateThreadpoolWork");
    SubmitThreadpoolWork(work_.get());
    WaitForSingleObject(started_.get(), INFINITE);
}

Win32WorkerThread::~Win32WorkerThread()
{
    LastErrorGuard keep;
    waitHandlingSentMessages(finished_.get());
    WaitForThreadpoolWorkCallbacks(work_.get(), FALSE);
}

void CALLBACK Win32WorkerThread::entry(PTP_CALLBACK_INSTANCE instance, void *self, PTP_WORK)
{
    auto *thread = static_cast<Win32WorkerThread *>(self);
    CallbackMayRunLong(instance); // it holds its pool thread until stopped
    SetEvent(thread->started_.get());
    try {
        thread->body_();
    } catch (...) {
        // Nothing may unwind into the pool.
    }
    SetEvent(thread->finished_.get()); // `thread` may be gone from here on
}

} // namespace korvel::win32
