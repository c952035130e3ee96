// The Windows HID layer on its own (linked into this program, so the hidden
// window belongs to its module), against Wine's own HID devices: the
// enumeration, the registry lookup, opening and raw transfers, error texts,
// and the hidden window's class, threads and shutdown.
#include "ProcessWindow.h"
#include "os/HidPlatform.h"
#include "os/win32/HiddenWindow.h"

#include <windows.h>
#include "os/win32/HidHeaders.h"
#include <setupapi.h>

#include "MessagePump.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

using namespace korvel;
using korvel::win32::HiddenWindow;
using korvel::win32::HiddenWindowClass;

namespace {

std::string lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

// Each HID interface path with the instance identifier of its device, as
// SetupAPI itself tells them.
std::vector<std::pair<std::string, std::string>> setupApiInterfaces()
{
    std::vector<std::pair<std::string, std::string>> result;
    GUID guid;
    HidD_GetHidGuid(&guid);
    HDEVINFO list = SetupDiGetClassDevsA(&guid, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    if (list == INVALID_HANDLE_VALUE)
        return result;
    SP_DEVICE_INTERFACE_DATA data{};
    data.cbSize = sizeof data;
    for (DWORD i = 0; SetupDiEnumDeviceInterfaces(list, nullptr, &guid, i, &data); ++i) {
        std::vector<DWORD> storage(1024);
        auto *detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_A *>(storage.data());
        detail->cbSize = sizeof *detail;
        SP_DEVINFO_DATA device{};
        device.cbSize = sizeof device;
        char id[512] = {};
        if (SetupDiGetDeviceInterfaceDetailA(list, &data, detail, 4096, nullptr, &device) &&
            SetupDiGetDeviceInstanceIdA(list, &device, id, sizeof id, nullptr))
            result.emplace_back(detail->DevicePath, id);
    }
    SetupDiDestroyDeviceInfoList(list);
    return result;
}

class Platform : public ::testing::Test {
protected:
    std::unique_ptr<os::HidPlatform> platform = os::createHidPlatform();

    std::vector<std::string> paths()
    {
        std::vector<std::string> list;
        EXPECT_TRUE(platform->listInterfaces(list));
        return list;
    }

    // Wine's first HID interface that opens for reading and writing.
    std::shared_ptr<os::RawDevice> someRawDevice()
    {
        for (const std::string &path : paths())
            if (auto device = platform->openRaw(path))
                return device;
        return nullptr;
    }
};

HINSTANCE thisModule()
{
    return GetModuleHandleA(nullptr);
}

// Whether another thread's SendMessage to a window of this thread is
// pending within a generous deadline; the message is left undispatched.
bool waitForSentMessage()
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!(HIWORD(GetQueueStatus(QS_SENDMESSAGE)) & QS_SENDMESSAGE)) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        Sleep(1);
    }
    return true;
}

} // namespace

TEST_F(Platform, ListsWhatSetupApiLists)
{
    const auto expected = setupApiInterfaces();
    ASSERT_FALSE(expected.empty()) << "Wine presents HID devices of its own";
    const auto listed = paths();
    ASSERT_EQ(listed.size(), expected.size());
    for (size_t i = 0; i < listed.size(); ++i) {
        EXPECT_EQ(listed[i], expected[i].first);
        EXPECT_EQ(lower(listed[i].substr(0, 8)), "\\\\?\\hid#") << listed[i];
    }
}

TEST_F(Platform, DeviceInstanceIdComesFromTheRegistry)
{
    const auto expected = setupApiInterfaces();
    ASSERT_FALSE(expected.empty());
    for (const auto &[path, instance] : expected) {
        std::string id;
        ASSERT_TRUE(platform->deviceInstanceId(path, id)) << path;
        EXPECT_EQ(lower(id), lower(instance)) << path;
    }
}

TEST_F(Platform, SuccessfulCallsKeepTheLastError)
{
    const auto list = paths();
    ASSERT_FALSE(list.empty());
    SetLastError(12345);
    std::vector<std::string> again;
    EXPECT_TRUE(platform->listInterfaces(again));
    std::string id;
    EXPECT_TRUE(platform->deviceInstanceId(list[0], id));
    EXPECT_FALSE(platform->deviceInstanceId("\\\\?\\hid#vid_0000&pid_0000#0#{00000000-0000-0000-0000-000000000000}", id));
    platform->debugOutput("Korvel test line");
    platform->sleepMs(1);
    EXPECT_FALSE(platform->lastErrorText().empty());
    EXPECT_EQ(GetLastError(), 12345u);
}

TEST_F(Platform, FailedOpenLeavesTheSystemError)
{
    SetLastError(0);
    EXPECT_EQ(platform->open("\\\\?\\hid#vid_1209&pid_0001#none#{4d1e55b2-f16f-11cf-88cb-001111000030}",
                             os::Access::WriteOnly),
              nullptr);
    const DWORD error = GetLastError();
    EXPECT_NE(error, 0u);
    const std::string text = platform->lastErrorText();
    EXPECT_FALSE(text.empty());
    EXPECT_NE(text.back(), '\n');
    EXPECT_EQ(GetLastError(), error);
    EXPECT_EQ(platform->openRaw("\\\\?\\hid#nothing"), nullptr);
}

TEST_F(Platform, LastErrorCodesForTheLibrarysOwnFailures)
{
    platform->setLastError(os::Failure::DeviceNotFound);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_MORE_ITEMS));
    platform->setLastError(os::Failure::InvalidArgument);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST_F(Platform, OpensWineDevicesAndReadsTheirCapabilities)
{
    int withCaps = 0;
    for (const std::string &path : paths()) {
        auto device = platform->open(path, os::Access::WriteOnly);
        if (!device)
            continue;
        os::HidCaps caps;
        if (device->getCaps(caps)) {
            ++withCaps;
            EXPECT_NE(caps.UsagePage, 0) << path;
        }
        std::string text = "unchanged";
        if (device->getProductString(text)) {
            EXPECT_NE(text, "unchanged");
        }
    }
    EXPECT_GT(withCaps, 0);
}

TEST_F(Platform, RawReadTimesOutWithoutInput)
{
    auto device = someRawDevice();
    if (!device)
        GTEST_SKIP() << "no HID interface of Wine opens for reading";
    uint8_t report[65];
    const auto start = std::chrono::steady_clock::now();
    const auto result = device->readReport(report, sizeof report, 50);
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(result, os::RawDevice::ReadResult::TimedOut);
    EXPECT_GE(elapsed, std::chrono::milliseconds(40));
    // The cancelled read has finished: the next one starts afresh.
    EXPECT_EQ(device->readReport(report, sizeof report, 10), os::RawDevice::ReadResult::TimedOut);
}

TEST_F(Platform, InterruptEndsAWaitingReadAndEveryLaterTransfer)
{
    auto device = someRawDevice();
    if (!device)
        GTEST_SKIP() << "no HID interface of Wine opens for reading";
    std::atomic<bool> ended{false};
    os::RawDevice::ReadResult result = os::RawDevice::ReadResult::Report;
    const auto start = std::chrono::steady_clock::now();
    std::thread reader([&] {
        uint8_t report[65];
        result = device->readReport(report, sizeof report, 10000);
        ended = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    device->interrupt();
    reader.join();
    EXPECT_TRUE(ended);
    EXPECT_EQ(result, os::RawDevice::ReadResult::Failed);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));

    uint8_t report[65] = {};
    SetLastError(0);
    EXPECT_EQ(device->readReport(report, sizeof report, 10), os::RawDevice::ReadResult::Failed);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_OPERATION_ABORTED));
    EXPECT_FALSE(device->writeReport(report, sizeof report, 100));
}

TEST_F(Platform, RawWriteToADeviceWithoutOutputReportsFails)
{
    auto device = someRawDevice();
    if (!device)
        GTEST_SKIP() << "no HID interface of Wine opens for reading";
    uint8_t report[65] = {0, 1};
    SetLastError(0);
    EXPECT_FALSE(device->writeReport(report, sizeof report, 100));
    EXPECT_NE(GetLastError(), 0u);
}

TEST(Win32HiddenWindow, IsAToolWindowOfItsOwnClass)
{
    HiddenWindow window(thisModule(), [](const os::WindowMessage &) {});
    HWND handle = window.handle();
    ASSERT_EQ(FindProcessWindow(HiddenWindowClass), handle);
    EXPECT_NE(GetWindowLongPtrA(handle, GWL_EXSTYLE) & WS_EX_TOOLWINDOW, 0);
    EXPECT_FALSE(IsWindowVisible(handle));
    WNDCLASSA windowClass{};
    ASSERT_TRUE(GetClassInfoA(thisModule(), HiddenWindowClass, &windowClass));
    EXPECT_EQ(windowClass.lpfnWndProc, &win32::HiddenWindowProc);
    EXPECT_EQ(windowClass.cbWndExtra, win32::HiddenWindowExtraBytes);
    // Word 4 holds the object, word 0 the code that takes it.
    EXPECT_EQ(GetWindowLongPtrW(handle, win32::HandlerObjectWord), reinterpret_cast<LONG_PTR>(&window));
    EXPECT_NE(GetWindowLongPtrW(handle, win32::HandlerCodeWord), 0);
}

TEST(Win32HiddenWindow, PassesEveryMessageToTheHandler)
{
    std::vector<os::WindowMessage> seen;
    HiddenWindow window(thisModule(), [&](const os::WindowMessage &m) { seen.push_back(m); });
    EXPECT_TRUE(window.sendMessage({WM_USER + 7, 11, -22}));
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].Msg, static_cast<uint32_t>(WM_USER + 7));
    EXPECT_EQ(seen[0].WParam, 11u);
    EXPECT_EQ(seen[0].LParam, -22);
    // The system's own messages go there too.
    SetWindowTextA(window.handle(), "renamed");
    EXPECT_TRUE(std::any_of(seen.begin(), seen.end(), [](const os::WindowMessage &m) { return m.Msg == WM_SETTEXT; }));
}

TEST(Win32HiddenWindow, MessagesFromOtherThreadsAreHandledOnTheOwningThread)
{
    std::vector<DWORD> threads;
    HiddenWindow window(thisModule(), [&](const os::WindowMessage &m) {
        if (m.Msg == WM_USER)
            threads.push_back(GetCurrentThreadId());
    });
    std::atomic<bool> done{false};
    bool sent = false;
    std::thread sender([&] {
        sent = window.sendMessage({WM_USER, 0, 0});
        done = true;
    });
    pumpUntil(done);
    sender.join();
    EXPECT_TRUE(sent);
    ASSERT_EQ(threads.size(), 1u);
    EXPECT_EQ(threads[0], GetCurrentThreadId());
}

TEST(Win32HiddenWindow, ShutdownReleasesAWaitingSenderAndDropsLaterMessages)
{
    int handled = 0;
    HiddenWindow window(thisModule(), [&](const os::WindowMessage &m) { handled += m.Msg == WM_USER; });
    HWND handle = window.handle();
    std::atomic<bool> done{false};
    bool sent = false;
    std::thread sender([&] {
        sent = window.sendMessage({WM_USER, 0, 0});
        done = true;
    });
    // The sender waits in SendMessageW once its message is queued for this
    // thread, which processes no messages until the shutdown.
    const bool queued = waitForSentMessage();
    EXPECT_TRUE(queued) << "the sender's message never reached this thread";
    EXPECT_FALSE(done);
    window.shutdown();
    sender.join();
    EXPECT_TRUE(sent) << "the sender found the window shut already";
    EXPECT_EQ(handled, 0);
    EXPECT_FALSE(IsWindow(handle));
    EXPECT_FALSE(window.sendMessage({WM_USER, 0, 0}));
    WNDCLASSA windowClass;
    EXPECT_FALSE(GetClassInfoA(thisModule(), HiddenWindowClass, &windowClass)); // unregistered with it
}

TEST(Win32HiddenWindow, ShutdownOnAnotherThreadLeavesTheWindowToItsOwner)
{
    HiddenWindow window(thisModule(), [](const os::WindowMessage &) {});
    HWND handle = window.handle();
    std::thread([&] { window.shutdown(); }).join();
    EXPECT_EQ(GetWindowLongPtrW(handle, GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(&DefWindowProcW));
    for (int i = 0; i < 100 && IsWindow(handle); ++i) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&message);
        Sleep(10);
    }
    EXPECT_FALSE(IsWindow(handle));
}

TEST(Win32HiddenWindow, ReplacesAClassRegisteredWithAnotherProcedure)
{
    WNDCLASSA other{};
    other.lpfnWndProc = DefWindowProcA;
    other.hInstance = thisModule();
    other.lpszClassName = HiddenWindowClass;
    UnregisterClassA(HiddenWindowClass, thisModule()); // left by an earlier test
    ASSERT_NE(RegisterClassA(&other), 0);
    HiddenWindow window(thisModule(), [](const os::WindowMessage &) {});
    WNDCLASSA found{};
    ASSERT_TRUE(GetClassInfoA(thisModule(), HiddenWindowClass, &found));
    EXPECT_EQ(found.lpfnWndProc, &win32::HiddenWindowProc);
    EXPECT_EQ(found.cbWndExtra, win32::HiddenWindowExtraBytes);
}

TEST(Win32HiddenWindow, ClassThatCannotBeReplacedIsAnError)
{
    // A window of the other class still exists, so that class cannot be
    // unregistered and the registration fails.
    WNDCLASSA other{};
    other.lpfnWndProc = DefWindowProcA;
    other.hInstance = thisModule();
    other.lpszClassName = HiddenWindowClass;
    UnregisterClassA(HiddenWindowClass, thisModule()); // left by an earlier test
    ASSERT_NE(RegisterClassA(&other), 0);
    HWND blocker = CreateWindowExA(0, HiddenWindowClass, "blocker", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                   thisModule(), nullptr);
    ASSERT_NE(blocker, nullptr);
    try {
        HiddenWindow window(thisModule(), [](const os::WindowMessage &) {});
        ADD_FAILURE() << "no error";
    } catch (const std::runtime_error &error) {
        EXPECT_EQ(std::string(error.what()).rfind("Unable to register DSiWin32 hidden window class. ", 0), 0u)
            << error.what();
    }
    DestroyWindow(blocker);
    UnregisterClassA(HiddenWindowClass, thisModule());
}

TEST(Win32HiddenWindow, AHandlerFailureDoesNotEscape)
{
    HiddenWindow window(thisModule(), [](const os::WindowMessage &m) {
        if (m.Msg == WM_USER)
            throw std::runtime_error("handler");
    });
    EXPECT_TRUE(window.sendMessage({WM_USER, 0, 0}));
}
