// The hidden window Korvel.dll creates when it is loaded, and the way
// messages sent to it reach the library's handler and the callback.
#include "korvel.h"

#include <windows.h>
#include <dbt.h>
#include "os/win32/HidHeaders.h"

#include "MessagePump.h"
#include "ProcessWindow.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr const char *WindowName = "PTS2Enumeration";

// The library's window in this process (tests in other processes have theirs).
HWND libraryWindow()
{
    return FindProcessWindow(WindowName);
}

// Clears the callback, so that the next test starts without one.
void clearCallback()
{
    RFID_RW_AssignGetEvent(nullptr);
}

struct Delivery {
    std::string data;
    bool terminated;
    DWORD thread;
};
std::vector<Delivery> deliveries;

void KORVEL_CALL onData(const char *Data, uint32_t Len)
{
    deliveries.push_back({std::string(Data, Len), Data[Len] == '\0', GetCurrentThreadId()});
}

// The 65-byte input report the receive thread hands over, length byte first.
struct HandOff {
    uint8_t report[65] = {};
    COPYDATASTRUCT record{0, sizeof report, report};
    HandOff(const char *data, uint8_t length)
    {
        report[1] = length;
        for (uint8_t i = 0; data[i] && i < 63; ++i)
            report[2 + i] = static_cast<uint8_t>(data[i]);
    }
    LRESULT sendTo(HWND window) { return SendMessageW(window, WM_COPYDATA, report[1], reinterpret_cast<LPARAM>(&record)); }
};

} // namespace

TEST(HiddenWindow, ExistsOnceTheLibraryIsLoaded)
{
    ASSERT_NE(FindWindowA(WindowName, WindowName), nullptr);
    HWND window = libraryWindow();
    ASSERT_NE(window, nullptr);

    DWORD process = 0;
    EXPECT_EQ(GetWindowThreadProcessId(window, &process), GetCurrentThreadId()); // the loading thread
    EXPECT_EQ(process, GetCurrentProcessId());

    EXPECT_NE(GetWindowLongPtrA(window, GWL_EXSTYLE) & WS_EX_TOOLWINDOW, 0);
    const LONG_PTR style = GetWindowLongPtrA(window, GWL_STYLE);
    EXPECT_NE(style & static_cast<LONG_PTR>(WS_POPUP), 0);
    EXPECT_EQ(style & WS_VISIBLE, 0);
    EXPECT_EQ(GetParent(window), nullptr);
    EXPECT_EQ(GetMenu(window), nullptr);

    char text[64] = {};
    GetClassNameA(window, text, sizeof text);
    EXPECT_STREQ(text, WindowName);
    GetWindowTextA(window, text, sizeof text);
    EXPECT_STREQ(text, WindowName);

    // Two words of its own (8 bytes on 32-bit Windows), both set: the
    // handler's code and its object.
    EXPECT_EQ(GetClassLongPtrA(window, GCL_CBWNDEXTRA), static_cast<LONG_PTR>(2 * sizeof(LONG_PTR)));
    EXPECT_NE(GetWindowLongPtrW(window, 0), 0);
    EXPECT_NE(GetWindowLongPtrW(window, sizeof(LONG_PTR)), 0);

    // The class belongs to the library's module.
    HMODULE module = GetModuleHandleA("Korvel.dll");
    EXPECT_EQ(reinterpret_cast<HMODULE>(GetWindowLongPtrA(window, GWLP_HINSTANCE)), module);
    WNDCLASSA windowClass{};
    ASSERT_TRUE(GetClassInfoA(module, WindowName, &windowClass));
    EXPECT_EQ(windowClass.cbWndExtra, static_cast<int>(2 * sizeof(LONG_PTR)));
    EXPECT_EQ(reinterpret_cast<LONG_PTR>(windowClass.lpfnWndProc), GetWindowLongPtrA(window, GWLP_WNDPROC));
}

TEST(HiddenWindow, CopyDataReachesTheCallbackAsAZeroTerminatedCopy)
{
    HWND window = libraryWindow();
    ASSERT_NE(window, nullptr);
    deliveries.clear();
    RFID_RW_AssignGetEvent(onData);
    HandOff three("abcdef", 3);
    EXPECT_EQ(three.sendTo(window), TRUE);
    HandOff none("xyz", 0);
    none.sendTo(window);
    clearCallback();
    three.sendTo(window); // no callback: nothing is delivered

    ASSERT_EQ(deliveries.size(), 2u);
    EXPECT_EQ(deliveries[0].data, "abc");
    EXPECT_TRUE(deliveries[0].terminated);
    EXPECT_EQ(deliveries[1].data, "");
    EXPECT_TRUE(deliveries[1].terminated);
    EXPECT_EQ(deliveries[0].thread, GetCurrentThreadId());
}

TEST(HiddenWindow, HandOffFromAnotherThreadRunsTheCallbackOnTheLoadingThread)
{
    HWND window = libraryWindow();
    ASSERT_NE(window, nullptr);
    deliveries.clear();
    RFID_RW_AssignGetEvent(onData);
    std::atomic<bool> done{false};
    DWORD sender = 0;
    std::thread thread([&] {
        sender = GetCurrentThreadId();
        HandOff report("hello", 5);
        report.sendTo(window); // returns once the loading thread has handled it
        done = true;
    });
    pumpUntil(done);
    thread.join();
    clearCallback();

    ASSERT_EQ(deliveries.size(), 1u);
    EXPECT_EQ(deliveries[0].data, "hello");
    EXPECT_EQ(deliveries[0].thread, GetCurrentThreadId());
    EXPECT_NE(deliveries[0].thread, sender);
}

TEST(HiddenWindow, HidDeviceChangeIsTakenWithoutAReader)
{
    HWND window = libraryWindow();
    ASSERT_NE(window, nullptr);
    DEV_BROADCAST_DEVICEINTERFACE_W header{};
    header.dbcc_size = sizeof header;
    header.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    HidD_GetHidGuid(&header.dbcc_classguid);
    // Arrival tries to open the raw channel, removal closes it.
    SendMessageW(window, WM_DEVICECHANGE, DBT_DEVICEARRIVAL, reinterpret_cast<LPARAM>(&header));
    char data[63];
    uint32_t size = 1;
    EXPECT_EQ(RFID_RW_GetRawData(data, &size), RFID_RW_NOT_PRESENT);
    SendMessageW(window, WM_DEVICECHANGE, DBT_DEVICEREMOVECOMPLETE, reinterpret_cast<LPARAM>(&header));
    SendMessageW(window, WM_DEVICECHANGE, DBT_DEVICEARRIVAL, 0); // no header: nothing
    EXPECT_EQ(RFID_RW_ConnectToUSBReader(), RFID_RW_NOT_PRESENT);
    EXPECT_NE(libraryWindow(), nullptr);
}
