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
    thread_.reset(CreateThread(nullptr, 0, &Win32WorkerThread::entry, this, 0, nullptr));
    if (!thread_)
        failWithLastError("CreateThread");
    WaitForSingleObject(started_.get(), INFINITE);
}

Win32WorkerThread::~Win32WorkerThread()
{
    LastErrorGuard keep;
    waitHandlingSentMessages(finished_.get());
    TerminateThread(thread_.get(), 0);
    WaitForSingleObject(thread_.get(), INFINITE);
}

DWORD WINAPI Win32WorkerThread::entry(void *self)
{
    auto *thread = static_cast<Win32WorkerThread *>(self);
    SetEvent(thread->started_.get());
    try {
        thread->body_();
    } catch (...) {
        // Nothing may unwind out of a thread's start routine.
    }
    // `thread` may be gone as soon as `finished_` is signalled. A thread's
    // own handle is signalled only when it has ended: the owner ends it
    // inside this wait.
    SignalObjectAndWait(thread->finished_.get(), GetCurrentThread(), INFINITE, FALSE);
    return 0; // not reached
}

} // namespace korvel::win32
