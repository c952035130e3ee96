// Loading and unloading Korvel.dll at run time, as hosts that use it as a
// plug-in do: an unload with the receive thread running returns, a failed
// start fails the load without ending the host, and a thousand loads leave
// no handle, thread or window behind. This program does not link the DLL.
#include "ProcessWindow.h"
#include "korvel.h"

#include <windows.h>
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <thread>

namespace {

constexpr const char *DllName = "Korvel.dll";
constexpr const char *WindowName = "PTS2Enumeration";
constexpr DWORD UnloadDeadlineMs = 1000;    // one FreeLibrary
constexpr DWORD CyclesDeadlineMs = 240000;  // a thousand loads and unloads
constexpr auto SettleDeadline = std::chrono::seconds(20);

// Ends the process with a message unless disarmed (destroyed) within its
// deadline: a call that hangs inside the loader cannot be ended otherwise.
class Watchdog {
public:
    Watchdog(const char *what, DWORD deadlineMs)
        : disarmed_(CreateEventW(nullptr, TRUE, FALSE, nullptr)), thread_([=, this] {
              if (WaitForSingleObject(disarmed_, deadlineMs) == WAIT_TIMEOUT) {
                  std::fprintf(stderr, "FAILED: %s has not returned within %lu ms\n", what,
                               static_cast<unsigned long>(deadlineMs));
                  std::fflush(stderr);
                  TerminateProcess(GetCurrentProcess(), 3);
              }
          })
    {
    }
    ~Watchdog()
    {
        SetEvent(disarmed_);
        thread_.join();
        CloseHandle(disarmed_);
    }

private:
    HANDLE disarmed_;
    std::thread thread_;
};

void KORVEL_CALL onData(const char *, uint32_t) {}

using AssignGetEvent = void(KORVEL_CALL *)(TRFID_RW_GetDataEvent);

void assignCallback(HMODULE dll, TRFID_RW_GetDataEvent callback)
{
    const auto assign = reinterpret_cast<AssignGetEvent>(
        reinterpret_cast<void (*)()>(GetProcAddress(dll, "RFID_RW_AssignGetEvent")));
    ASSERT_NE(assign, nullptr);
    assign(callback);
}

unsigned threadCount()
{
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return 0;
    unsigned count = 0;
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry))
        count += entry.th32OwnerProcessID == GetCurrentProcessId();
    CloseHandle(snapshot);
    return count;
}

// The value of a fresh handle: Wine (whose GetProcessHandleCount answers 0)
// hands out the lowest free one, so this grows with every handle left open.
uintptr_t handleProbe()
{
    HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    CloseHandle(event);
    return reinterpret_cast<uintptr_t>(event) / 4; // handle values step by 4
}

bool libraryWindowExists()
{
    return FindProcessWindow(WindowName) != nullptr;
}

// Waits until `settled` holds, handling this thread's messages meanwhile.
bool waitFor(const std::function<bool()> &settled)
{
    const auto deadline = std::chrono::steady_clock::now() + SettleDeadline;
    while (!settled()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&message);
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
    return true;
}

// One load and unload, with the receive thread running when `withCallback`.
void loadAndFree(bool withCallback)
{
    HMODULE dll = LoadLibraryA(DllName);
    ASSERT_NE(dll, nullptr) << "LoadLibrary failed with " << GetLastError();
    if (withCallback)
        assignCallback(dll, &onData);
    EXPECT_TRUE(FreeLibrary(dll));
}

LRESULT CALLBACK refuseWindowCreation(int code, WPARAM wParam, LPARAM lParam)
{
    return code == HCBT_CREATEWND ? 1 : CallNextHookEx(nullptr, code, wParam, lParam);
}

} // namespace

TEST(LibraryLifetime, UnloadWithACallbackAssignedReturnsAndTheLibraryLoadsAgain)
{
    // The system's own threads (device notification and others) start on
    // first use and stay: the count is taken after the first round.
    unsigned threadsBefore = 0;
    for (int load = 1; load <= 3; ++load) {
        SCOPED_TRACE(load);
        HMODULE dll = LoadLibraryA(DllName);
        ASSERT_NE(dll, nullptr) << "LoadLibrary failed with " << GetLastError();
        EXPECT_TRUE(libraryWindowExists());
        assignCallback(dll, &onData); // returns once the receive loop runs
        {
            Watchdog watchdog("FreeLibrary with a callback assigned", UnloadDeadlineMs);
            EXPECT_TRUE(FreeLibrary(dll));
        }
        EXPECT_EQ(GetModuleHandleA(DllName), nullptr) << "the library is still loaded";
        EXPECT_FALSE(libraryWindowExists());
        if (load == 1)
            threadsBefore = threadCount();
    }
    EXPECT_TRUE(waitFor([&] { return threadCount() <= threadsBefore; }))
        << "threads before: " << threadsBefore << ", now: " << threadCount();
}

TEST(LibraryLifetime, RefusedWindowFailsTheLoadAndTheHostGoesOn)
{
    HHOOK hook = SetWindowsHookExW(WH_CBT, &refuseWindowCreation, nullptr, GetCurrentThreadId());
    ASSERT_NE(hook, nullptr);
    SetLastError(0);
    HMODULE dll = LoadLibraryA(DllName);
    const DWORD error = GetLastError();
    UnhookWindowsHookEx(hook);
    EXPECT_EQ(dll, nullptr);
    EXPECT_EQ(error, static_cast<DWORD>(ERROR_DLL_INIT_FAILED));
    EXPECT_EQ(GetModuleHandleA(DllName), nullptr);
    // Nothing of the failed load stands in the way of the next one.
    {
        Watchdog watchdog("the load and unload after a failed load", UnloadDeadlineMs * 10);
        loadAndFree(true);
    }
    EXPECT_EQ(GetModuleHandleA(DllName), nullptr);
}

class LoadFreeCycles : public ::testing::TestWithParam<bool> {};

TEST_P(LoadFreeCycles, LeaveHandleAndThreadCountsFlat)
{
    const bool withCallback = GetParam();
    loadAndFree(withCallback); // what the system sets up once, on first use
    ASSERT_TRUE(waitFor([] { return GetModuleHandleA(DllName) == nullptr; }));
    const unsigned threadsBefore = threadCount();
    const uintptr_t handlesBefore = handleProbe();
    ASSERT_GT(threadsBefore, 0u);
    {
        Watchdog watchdog("a thousand loads and unloads", CyclesDeadlineMs);
        for (int cycle = 0; cycle < 1000 && !HasFailure(); ++cycle)
            loadAndFree(withCallback);
    }
    EXPECT_EQ(GetModuleHandleA(DllName), nullptr);
    EXPECT_FALSE(libraryWindowExists());
    // The receive threads end after their unload, when the loader lets them.
    EXPECT_TRUE(waitFor([&] { return threadCount() <= threadsBefore; }))
        << "threads before: " << threadsBefore << ", now: " << threadCount();
    // A few handles of the system's own may come and go; one per load may not.
    constexpr uintptr_t Slack = 16;
    EXPECT_TRUE(waitFor([&] { return handleProbe() <= handlesBefore + Slack; }))
        << "fresh handle before: " << handlesBefore << ", now: " << handleProbe();
}

INSTANTIATE_TEST_SUITE_P(Callback, LoadFreeCycles, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool> &info) {
                             return info.param ? "Assigned" : "None";
                         });
