// The Windows HID layer's pure pieces, run on Linux: the registry key of an
// interface, the notification filter, the decisions of an overlapped
// transfer, and Windows path forms as the reader's discovery reads them.
#include "CardCodeApi.h"
#include "DevicePath.h"
#include "FirmwarePlatform.h"
#include "RWApi.h"
#include "os/win32/Win32Logic.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace korvel;
using namespace korvel::win32;
using Result = os::RawDevice::ReadResult;

namespace {

const std::string InterfaceOne = "\\\\?\\hid#vid_1209&pid_0001&mi_01#7&1a&0&0001#{4d1e55b2-f16f-11cf-88cb-001111000030}";

TEST(Win32Registry, GuidInRegistryForm)
{
    EXPECT_EQ(registryGuidText(HidClassGuid), "{4D1E55B2-F16F-11CF-88CB-001111000030}");
    const Guid small{0x1, 0x2, 0x3, {0, 1, 2, 3, 4, 5, 6, 0xab}};
    EXPECT_EQ(registryGuidText(small), "{00000001-0002-0003-0001-0203040506AB}");
}

TEST(Win32Registry, KeyNameOfAnInterface)
{
    EXPECT_EQ(deviceClassKeyName(InterfaceOne, HidClassGuid),
              "SYSTEM\\CURRENTCONTROLSET\\CONTROL\\DEVICECLASSES\\{4D1E55B2-F16F-11CF-88CB-001111000030}\\"
              "##?#hid#vid_1209&pid_0001&mi_01#7&1a&0&0001#{4d1e55b2-f16f-11cf-88cb-001111000030}");
}

TEST(Win32Registry, OnlyCharactersOneTwoAndFourAreReplaced)
{
    const std::string prefix = std::string(DeviceClassesKey) + registryGuidText(HidClassGuid) + "\\";
    EXPECT_EQ(deviceClassKeyName("abcdef", HidClassGuid), prefix + "##c#ef");
    EXPECT_EQ(deviceClassKeyName("ab", HidClassGuid), prefix + "##");
    EXPECT_EQ(deviceClassKeyName("", HidClassGuid), prefix);
}

TEST(Win32Notification, FilterIsThirtyTwoBytesOfSizeTypeAndClass)
{
    const DeviceInterfaceBroadcast filter = deviceInterfaceFilter(HidClassGuid);
    uint8_t bytes[sizeof filter];
    static_assert(sizeof bytes == 32);
    std::memcpy(bytes, &filter, sizeof bytes);
    const uint8_t expected[32] = {32, 0, 0, 0, 5, 0, 0, 0, 0, 0, 0, 0,
                                  0xb2, 0x55, 0x1e, 0x4d, 0x6f, 0xf1, 0xcf, 0x11,
                                  0x88, 0xcb, 0x00, 0x11, 0x11, 0x00, 0x00, 0x30};
    EXPECT_EQ(std::memcmp(bytes, expected, sizeof bytes), 0);
}

// A notification in the layout the filter registers for is the one the
// handler acts on: arrival opens the raw channel, removal closes it.
TEST(Win32Notification, AFilterShapedNotificationOpensAndCloses)
{
    readersim::ReaderFirmware firmware;
    korvel::testing::FirmwarePlatform platform{firmware};
    TUSBReaderComm comm{platform};
    DeviceInterfaceBroadcast header = deviceInterfaceFilter(HidClassGuid);
    const auto lparam = reinterpret_cast<intptr_t>(&header);
    comm.HandleMessage({wm::DeviceChange, dbt::DeviceArrival, lparam});
    EXPECT_NE(comm.DevHandle(), nullptr);
    comm.HandleMessage({wm::DeviceChange, dbt::DeviceRemoveComplete, lparam});
    EXPECT_EQ(comm.DevHandle(), nullptr);
    // DBT_DEVICEQUERYREMOVE (0x8001) and DBT_DEVICEREMOVEPENDING (0x8003) do nothing.
    comm.HandleMessage({wm::DeviceChange, 0x8001, lparam});
    comm.HandleMessage({wm::DeviceChange, 0x8003, lparam});
    EXPECT_EQ(comm.DevHandle(), nullptr);
}

TEST(Win32Text, BoundedLengthStopsAtZeroOrCapacity)
{
    const char16_t wide[4] = {u'a', u'b', 0, u'c'};
    EXPECT_EQ(boundedLength(wide, 4), 2u);
    const char full[3] = {'x', 'y', 'z'};
    EXPECT_EQ(boundedLength(full, 3), 3u);
    EXPECT_EQ(boundedLength(full, 0), 0u);
}

TEST(Win32Text, HiddenWindowFailureMessages)
{
    EXPECT_EQ(withSystemText(RegisterClassFailure, "Class already exists."),
              "Unable to register DSiWin32 hidden window class. Class already exists.");
    EXPECT_EQ(withSystemText(CreateWindowFailure, ""), "Unable to create DSiWin32 hidden window. ");
}

TEST(Win32Transfer, StartAndWaitDecisions)
{
    EXPECT_EQ(afterStart(true, 0), AfterStart::Finished);
    EXPECT_EQ(afterStart(true, ErrorIoPending), AfterStart::Finished); // the result, not a stale error
    EXPECT_EQ(afterStart(false, ErrorIoPending), AfterStart::Wait);
    EXPECT_EQ(afterStart(false, ErrorInvalidParameter), AfterStart::Failed);
    EXPECT_EQ(afterWait(WaitObject0), AfterWait::Collect);
    EXPECT_EQ(afterWait(WaitTimeout), AfterWait::CancelTimedOut);
    EXPECT_EQ(afterWait(0xFFFFFFFF), AfterWait::CancelFailed); // WAIT_FAILED
    EXPECT_EQ(afterWait(0x80), AfterWait::CancelFailed);       // WAIT_ABANDONED
}

TEST(Win32Transfer, ReadResults)
{
    EXPECT_EQ(readResult(AfterWait::Collect, true), Result::Report);
    EXPECT_EQ(readResult(AfterWait::Collect, false), Result::Failed); // cancelled by an interrupt, say
    EXPECT_EQ(readResult(AfterWait::CancelTimedOut, false), Result::TimedOut);
    EXPECT_EQ(readResult(AfterWait::CancelTimedOut, true), Result::Report); // arrived during the cancel: kept
    EXPECT_EQ(readResult(AfterWait::CancelFailed, true), Result::Failed);
    EXPECT_EQ(readResult(AfterWait::CancelFailed, false), Result::Failed);
}

TEST(Win32Transfer, WriteResults)
{
    EXPECT_TRUE(writeSucceeded(AfterWait::Collect, true));
    EXPECT_FALSE(writeSucceeded(AfterWait::Collect, false));
    EXPECT_FALSE(writeSucceeded(AfterWait::CancelTimedOut, true)); // past the limit
    EXPECT_FALSE(writeSucceeded(AfterWait::CancelTimedOut, false));
    EXPECT_FALSE(writeSucceeded(AfterWait::CancelFailed, true));
}

// The path forms SetupAPI gives, as the configuration side reads them.
TEST(Win32Paths, FormsTheReaderSearchMeets)
{
    const std::string guid = "#{4d1e55b2-f16f-11cf-88cb-001111000030}";
    struct Case {
        std::string path;
        int32_t vendor;
        const char *interfaceNumber;
        bool keyboardTail;
    } cases[] = {
        {"\\\\?\\hid#vid_1209&pid_0001&mi_00#7&1a&0&0000" + guid, 0x1209, "00", false},
        {"\\\\?\\hid#vid_1209&pid_0001&mi_00#7&1a&0&0000" + guid + "\\kbd", 0x1209, "00", true},
        {"\\\\?\\hid#vid_1209&pid_0001&mi_00#7&1a&0&0000" + guid + "\\KBD", 0x1209, "00", false},
        {InterfaceOne, 0x1209, "01", false},
        {"\\\\?\\hid#vid_1209&pid_0001#6&3f&0&0000" + guid, 0x1209, "00", false},
        {"\\\\?\\HID#VID_1209&PID_0001&MI_01#7&1a&0&0001" + guid, 0x1209, "00", false},
        {"\\\\?\\hid#vid_12x9&pid_0001&mi_00#7&1a&0&0000" + guid, 0, "00", false},
        // Wine's own virtual mouse and keyboard.
        {"\\\\?\\hid#vid_845e&pid_0001#0&0000&0&0" + guid, 0x845e, "00", false},
        {"\\\\?\\hid#vid_845e&pid_0002#0&0000&0&0" + guid, 0x845e, "00", false},
    };
    for (const Case &c : cases) {
        const DevicePathFields fields = parseDevicePath(c.path);
        EXPECT_EQ(fields.vendorId, c.vendor) << c.path;
        EXPECT_EQ(fields.interfaceNumber, c.interfaceNumber) << c.path;
        EXPECT_EQ(fields.tail == KeyboardCollectionTail, c.keyboardTail) << c.path;
    }
}

} // namespace
