// Message processing for the Windows tests: the hidden window's messages
// are handled only while the thread that owns it pumps.
#pragma once

#include <windows.h>

#include <atomic>

// Runs the thread's message processing until `done`.
inline void pumpUntil(const std::atomic<bool> &done)
{
    while (!done) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&message);
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}
