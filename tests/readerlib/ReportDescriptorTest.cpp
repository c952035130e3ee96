#include "os/linux/ReportDescriptor.h"

#include <gtest/gtest.h>

#include <optional>
#include <span>
#include <vector>

using korvel::os::parseReportDescriptor;

namespace {

std::optional<korvel::os::HidCaps> capsFromReportDescriptor(std::span<const uint8_t> descriptor)
{
    const auto facts = parseReportDescriptor(descriptor);
    return facts ? std::optional(facts->caps) : std::nullopt;
}

// A boot keyboard plus a vendor feature report of 8 bytes, no report IDs.
const std::vector<uint8_t> KeyboardWithFeature = {
    0x05, 0x01, 0x09, 0x06, 0xA1, 0x01,       // Generic Desktop, Keyboard, Application
    0x05, 0x07, 0x19, 0xE0, 0x29, 0xE7, 0x15, 0x00, 0x25, 0x01,
    0x75, 0x01, 0x95, 0x08, 0x81, 0x02,       // 8 modifier bits
    0x95, 0x01, 0x75, 0x08, 0x81, 0x01,       // reserved byte
    0x95, 0x05, 0x75, 0x01, 0x05, 0x08, 0x19, 0x01, 0x29, 0x05, 0x91, 0x02, // LEDs
    0x95, 0x01, 0x75, 0x03, 0x91, 0x01,       // LED padding
    0x95, 0x06, 0x75, 0x08, 0x15, 0x00, 0x25, 0x65, 0x05, 0x07, 0x19, 0x00, 0x29, 0x65, 0x81, 0x00,
    0x06, 0x00, 0xFF, 0x09, 0x01, 0x75, 0x08, 0x95, 0x08, 0xB1, 0x02, // feature, 8 bytes
    0xC0,
};

TEST(ReportDescriptor, KeyboardWithFeatureReport)
{
    const auto caps = capsFromReportDescriptor(KeyboardWithFeature);
    ASSERT_TRUE(caps);
    EXPECT_EQ(caps->UsagePage, 0x01);
    EXPECT_EQ(caps->Usage, 0x06);
    EXPECT_EQ(caps->InputReportByteLength, 9);
    EXPECT_EQ(caps->OutputReportByteLength, 2);
    EXPECT_EQ(caps->FeatureReportByteLength, 9);
}

TEST(ReportDescriptor, LargestReportIdWinsAndIdByteIsCounted)
{
    const std::vector<uint8_t> d = {
        0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01,
        0x85, 0x01, 0x75, 0x08, 0x95, 0x04, 0xB1, 0x02, // report 1: 4 bytes
        0x85, 0x02, 0x75, 0x08, 0x95, 0x3F, 0xB1, 0x02, // report 2: 63 bytes
        0xC0,
    };
    const auto caps = capsFromReportDescriptor(d);
    ASSERT_TRUE(caps);
    EXPECT_EQ(caps->UsagePage, 0xFF00);
    EXPECT_EQ(caps->FeatureReportByteLength, 64);
    EXPECT_EQ(caps->InputReportByteLength, 0);
    EXPECT_TRUE(parseReportDescriptor(d)->reportIds);
}

TEST(ReportDescriptor, PushAndPopRestoreGlobals)
{
    const std::vector<uint8_t> d = {
        0x75, 0x08, 0x95, 0x02, 0xA4,       // size 8, count 2, push
        0x95, 0x10, 0xB1, 0x02,             // 16 bytes
        0xB4, 0x81, 0x02,                   // pop: input of 2 bytes
    };
    const auto caps = capsFromReportDescriptor(d);
    ASSERT_TRUE(caps);
    EXPECT_EQ(caps->FeatureReportByteLength, 17);
    EXPECT_EQ(caps->InputReportByteLength, 3);
}

TEST(ReportDescriptor, LongItemsAreSkipped)
{
    const std::vector<uint8_t> d = {0xFE, 0x02, 0x10, 0xAA, 0xBB, 0x75, 0x08, 0x95, 0x01, 0xB1, 0x02};
    const auto caps = capsFromReportDescriptor(d);
    ASSERT_TRUE(caps);
    EXPECT_EQ(caps->FeatureReportByteLength, 2);
}

TEST(ReportDescriptor, MalformedInputIsRefused)
{
    EXPECT_FALSE(capsFromReportDescriptor(std::vector<uint8_t>{0x75}));             // item cut short
    EXPECT_FALSE(capsFromReportDescriptor(std::vector<uint8_t>{0x27, 0x01, 0x02})); // 4-byte item cut short
    EXPECT_FALSE(capsFromReportDescriptor(std::vector<uint8_t>{0xFE, 0x09, 0x00})); // long item past the end
    EXPECT_FALSE(capsFromReportDescriptor(std::vector<uint8_t>{0xB4}));             // pop of an empty stack
    EXPECT_FALSE(capsFromReportDescriptor(std::vector<uint8_t>(100, 0xA4)));        // push without end
    // A Report ID item does not make a descriptor cut short after it usable.
    EXPECT_FALSE(parseReportDescriptor(std::vector<uint8_t>{0x85, 0x01, 0x75}));
}

TEST(ReportDescriptor, HugeDeclaredReportsSaturate)
{
    // 32-bit report size and count: the length saturates instead of wrapping.
    const std::vector<uint8_t> d = {0x77, 0xFF, 0xFF, 0xFF, 0x7F, 0x97, 0xFF, 0xFF, 0xFF, 0x7F, 0xB1, 0x02};
    const auto caps = capsFromReportDescriptor(d);
    ASSERT_TRUE(caps);
    EXPECT_EQ(caps->FeatureReportByteLength, 0xFFFF);
}

// Real descriptors end with End Collection, an item without data: the
// parser must not index past the last byte (the sanitizer build checks
// every index).
TEST(ReportDescriptor, LastItemWithoutDataIsRead)
{
    const struct {
        std::vector<uint8_t> descriptor;
        uint16_t featureLength;
    } cases[] = {
        {{0xC0}, 0},
        {{0xA1, 0x01, 0xC0}, 0},
        {{0x75, 0x08, 0x95, 0x03, 0xB1, 0x02, 0xC0}, 4},
        {{0x75, 0x08, 0x95, 0x05, 0xB0}, 6},   // Feature with no data byte
        {{0x75, 0x08, 0x95, 0x02, 0xA4}, 0},   // Push
        {{0xA4, 0xB4}, 0},                     // Push, Pop
        {{0xFE, 0x00, 0x10}, 0},               // long item without data
    };
    for (const auto &c : cases) {
        const auto caps = capsFromReportDescriptor(c.descriptor);
        ASSERT_TRUE(caps) << "descriptor of " << c.descriptor.size() << " bytes";
        EXPECT_EQ(caps->FeatureReportByteLength, c.featureLength) << c.descriptor.size() << " bytes";
        EXPECT_FALSE(parseReportDescriptor(c.descriptor)->reportIds);
    }
    EXPECT_TRUE(capsFromReportDescriptor(KeyboardWithFeature));
}

TEST(ReportDescriptor, EmptyDescriptorHasNoReports)
{
    const auto caps = capsFromReportDescriptor({});
    ASSERT_TRUE(caps);
    EXPECT_EQ(caps->FeatureReportByteLength, 0);
}

} // namespace
