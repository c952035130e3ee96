#include "DevicePath.h"

#include <gtest/gtest.h>

using korvel::parseDevicePath;

namespace {

const std::string Guid = "#{4d1e55b2-f16f-11cf-88cb-001111000030}";

TEST(DevicePath, ReadsIdsAndInterfaceAtFixedPositions)
{
    const auto fields = parseDevicePath("\\\\?\\hid#vid_1209&pid_0001&mi_01#7&1a&0&0001" + Guid);
    EXPECT_EQ(fields.vendorId, 0x1209);
    EXPECT_EQ(fields.productId, 1);
    EXPECT_EQ(fields.interfaceNumber, "01");
}

TEST(DevicePath, WithoutMiCountsAsInterfaceZero)
{
    EXPECT_EQ(parseDevicePath("\\\\?\\hid#vid_1209&pid_0001#6&3f&0&0000" + Guid).interfaceNumber, "00");
}

TEST(DevicePath, UpperCaseMiIsNotRecognised)
{
    // Whatever digits follow, MI_ in capitals leaves the path as interface "00".
    EXPECT_EQ(parseDevicePath("\\\\?\\HID#VID_1209&PID_0001&MI_01#7&1a&0&0001" + Guid).interfaceNumber, "00");
}

TEST(DevicePath, HexDigitsInEitherCase)
{
    EXPECT_EQ(parseDevicePath("\\\\?\\hid#vid_0aBc&pid_FfFf&mi_00#x").vendorId, 0x0abc);
    EXPECT_EQ(parseDevicePath("\\\\?\\hid#vid_0aBc&pid_FfFf&mi_00#x").productId, 0xffff);
}

TEST(DevicePath, NonHexadecimalIdsGiveZero)
{
    EXPECT_EQ(parseDevicePath("\\\\?\\hid#vid_12G9&pid_0001&mi_00#x").vendorId, 0);
    EXPECT_EQ(parseDevicePath("\\\\?\\hid#vid_12 9&pid_0001&mi_00#x").vendorId, 0);
}

TEST(DevicePath, TailIsTheLastFourCharacters)
{
    EXPECT_EQ(parseDevicePath("\\\\?\\hid#vid_1209&pid_0001&mi_00#x" + Guid + "\\kbd").tail, "\\kbd");
    EXPECT_EQ(parseDevicePath("ab").tail, "ab");
}

TEST(DevicePath, ShortAndEmptyPathsAreSafe)
{
    for (const std::string path : {"", "\\", "\\\\?\\hid#vid_12"}) {
        const auto fields = parseDevicePath(path);
        EXPECT_EQ(fields.productId, 0) << path;
        EXPECT_EQ(fields.interfaceNumber, "00") << path;
    }
    EXPECT_EQ(parseDevicePath("\\\\?\\hid#vid_12").vendorId, 0x12); // what is there is read
    EXPECT_EQ(parseDevicePath("\\\\?\\hid#vid_1209&pid_0001&mi_").interfaceNumber, "");
}

} // namespace
