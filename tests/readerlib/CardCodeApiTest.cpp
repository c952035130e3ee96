#include "CardCodeApi.h"
#include "DateTime.h"
#include "FirmwarePlatform.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace korvel;
using readersim::Transfer;

namespace {

using Bytes = std::vector<uint8_t>;

class CardCodeApiTest : public ::testing::Test {
protected:
    readersim::ReaderFirmware firmware;
    korvel::testing::FirmwarePlatform platform{firmware};
    TMarduneReader reader{platform};

    void SetUp() override
    {
        ASSERT_TRUE(reader.OpenDevice());
        firmware.clearLogs();
    }

    std::vector<Transfer> transfers() const { return firmware.transfers(); }

    // Bytes first..last-1 of the last feature report written.
    Bytes lastWrite(size_t first, size_t last) const
    {
        const Bytes report = writes().back();
        return Bytes(report.begin() + first, report.begin() + last);
    }

    // The feature reports written since the last clearLogs.
    std::vector<Bytes> writes() const
    {
        std::vector<Bytes> out;
        for (const Transfer &t : firmware.transfers())
            if (t.kind == Transfer::Kind::SetFeature)
                out.push_back(t.bytes);
        return out;
    }

    void answerWith(const readersim::ReaderSettings &settings) { firmware.setSettings(settings); }

    // Fails the n-th feature transfer from now (0 = the next one).
    void failTransfer(int n) { platform.failTransfers.insert(platform.transferCount + n); }
    void resetTransfers()
    {
        platform.failTransfers.clear();
        firmware.clearLogs();
    }
};

TEST_F(CardCodeApiTest, PrefixIsTrimmedUpperCasedAndCut)
{
    ASSERT_TRUE(reader.SetPrefix("  ab c "));
    EXPECT_EQ(writes().back(), (Bytes{0, 7, 'A', 'B', ' ', 'C', 0, 0, 0}));

    ASSERT_TRUE(reader.SetSufix("abcdefgh"));
    EXPECT_EQ(lastWrite(0, 8), (Bytes{0, 8, 'A', 'B', 'C', 'D', 'E', 'F'}));

    ASSERT_TRUE(reader.SetSufix(""));
    EXPECT_EQ(lastWrite(0, 8), (Bytes{0, 8, 0, 0, 0, 0, 0, 0}));
}

TEST_F(CardCodeApiTest, AffixKeepsOtherBytesAndInnerZeros)
{
    EXPECT_EQ(NormalizeAffix("\x01\t1-\xE9z\x1f"), "1-\xE9Z");
    EXPECT_EQ(NormalizeAffix(std::string("a\0b", 3)), std::string("A\0B", 3));
    EXPECT_EQ(NormalizeAffix(std::string("\0ab\0", 4)), "AB");
    EXPECT_EQ(NormalizeAffix("   "), "");
}

TEST_F(CardCodeApiTest, PrefixReadSkipsZeroBytesWherever)
{
    readersim::ReaderSettings s;
    s.prefix = {'A', 0, 'B', 0, 0, 0};
    answerWith(s);
    std::string text = "old";
    ASSERT_TRUE(reader.GetPrefix(text));
    EXPECT_EQ(text, "AB");
}

TEST_F(CardCodeApiTest, FailedPrefixRequestGivesEmptyText)
{
    firmware.failNextTransfers(1);
    std::string text = "old";
    EXPECT_FALSE(reader.GetPrefix(text));
    EXPECT_EQ(text, "");
    EXPECT_EQ(transfers().size(), 1u); // no answer is read after a failed request
}

TEST_F(CardCodeApiTest, ByteEightCarriesTheLastAnswer)
{
    // Index 8 is not set by any command: it goes out as the previous answer left it.
    reader.HIDReport[8] = 0x5A;
    ASSERT_TRUE(reader.SetConfigBits(0x2B));
    EXPECT_EQ(writes().back(), (Bytes{0, 3, 0x2B, 0, 0, 0, 0, 0, 0x5A}));
}

TEST_F(CardCodeApiTest, DeviceModeWrittenAtIndexThreeReadAtSeven)
{
    ASSERT_TRUE(reader.SetDeviceMode(1));
    EXPECT_EQ(writes().back()[2], 0);
    EXPECT_EQ(writes().back()[3], 1);
    uint8_t conf = 0, conf2 = 0, mode = 0;
    ASSERT_TRUE(reader.GetConfig(conf, conf2, mode));
    EXPECT_EQ(mode, 1);
    EXPECT_EQ(writes().back(), (Bytes{0, 0, 4, 0, 0, 0, 0, 0, 0}));
}

TEST_F(CardCodeApiTest, GetConfigFillsNothingWhenTheAnswerFails)
{
    uint8_t conf = 0x11, conf2 = 0x22, mode = 0x33;
    failTransfer(1); // the answer
    EXPECT_FALSE(reader.GetConfig(conf, conf2, mode));
    EXPECT_EQ(conf, 0x11);
    EXPECT_EQ(conf2, 0x22);
    EXPECT_EQ(mode, 0x33);
}

TEST_F(CardCodeApiTest, OtherReadsFillFromTheArrayWhenOnlyTheAnswerFails)
{
    TKeybHIDReport report{};
    failTransfer(1);
    EXPECT_FALSE(reader.GetBeforeHidKeyboardReport(report));
    // The array holds the request that went out last: command 0, item 1.
    EXPECT_EQ(report.Modifier, 0);
    EXPECT_EQ(report.Reserved, 1);
}

TEST_F(CardCodeApiTest, KeyboardReportGoesInTwoHalves)
{
    const TKeybHIDReport report{0x81, 0x07, 4, 5, 6, 7, 8, 9};
    ASSERT_TRUE(reader.SetAfterHidKeyboardReport(report));
    const std::vector<Bytes> halves = writes();
    ASSERT_EQ(halves.size(), 2u);
    EXPECT_EQ(Bytes(halves[0].begin(), halves[0].begin() + 8), (Bytes{0, 21, 0x81, 0x07, 4, 5, 0, 0}));
    EXPECT_EQ(Bytes(halves[1].begin(), halves[1].begin() + 8), (Bytes{0, 22, 6, 7, 8, 9, 0, 0}));

    TKeybHIDReport back{};
    ASSERT_TRUE(reader.GetAfterHidKeyboardReport(back));
    EXPECT_EQ(0, std::memcmp(&back, &report, sizeof report));
}

TEST_F(CardCodeApiTest, FailedFirstHalfSendsNothingMore)
{
    firmware.failNextTransfers(1);
    EXPECT_FALSE(reader.SetBeforeHidKeyboardReport({1, 2, 3, 4, 5, 6, 7, 8}));
    EXPECT_EQ(transfers().size(), 1u);
}

TEST_F(CardCodeApiTest, FactoryIdIsLittleEndianAndSigned)
{
    ASSERT_TRUE(reader.SetFactoryID(10000));
    EXPECT_EQ(lastWrite(1, 8), (Bytes{99, 0x10, 0x27, 0, 0, 0, 0}));
    int32_t id = 0;
    ASSERT_TRUE(reader.GetFactoryID(id));
    EXPECT_EQ(id, 10000);

    ASSERT_TRUE(reader.SetFactoryID(0x80000000u));
    ASSERT_TRUE(reader.GetFactoryID(id));
    EXPECT_EQ(id, INT32_MIN);
}

TEST_F(CardCodeApiTest, ProductionDates)
{
    readersim::ReaderSettings s;
    double date = -1;
    auto readDate = [&](uint8_t y, uint8_t m, uint8_t d) {
        s.productionYear = y;
        s.productionMonth = m;
        s.productionDay = d;
        answerWith(s);
        EXPECT_TRUE(reader.GetProductionDate(date));
        return date;
    };
    EXPECT_EQ(readDate(24, 2, 29), encodeDate(2024, 2, 29));
    EXPECT_EQ(readDate(23, 2, 29), 0.0);
    EXPECT_EQ(readDate(20, 0, 5), 0.0);
    EXPECT_EQ(readDate(255, 12, 31), encodeDate(2255, 12, 31));

    ASSERT_TRUE(reader.SetProductionDate(encodeDate(1999, 7, 4)));
    EXPECT_EQ(lastWrite(1, 5), (Bytes{100, 255, 7, 4}));
    ASSERT_TRUE(reader.SetProductionDate(encodeDate(2024, 2, 29) + 0.75));
    EXPECT_EQ(lastWrite(1, 5), (Bytes{100, 24, 2, 29}));
}

// Counts the item-12 requests and their parameters.
std::vector<uint8_t> chunkRequests(const std::vector<Transfer> &log)
{
    std::vector<uint8_t> params;
    for (const Transfer &t : log)
        if (t.kind == Transfer::Kind::SetFeature && t.bytes[1] == 0 && t.bytes[2] == 12)
            params.push_back(t.bytes[3]);
    return params;
}

TEST_F(CardCodeApiTest, ExtendedCodeReadsOnlyTheChunksTheLengthCallsFor)
{
    struct Case {
        size_t length;
        std::vector<uint8_t> chunks;
    };
    for (const Case &c : {Case{0, {}}, Case{7, {0}}, Case{8, {0, 7}}, Case{14, {0, 7}}, Case{15, {0, 7, 14}},
                          Case{21, {0, 7, 14}}}) {
        std::vector<uint8_t> code(c.length);
        for (size_t i = 0; i < code.size(); ++i)
            code[i] = static_cast<uint8_t>(0xA0 + i);
        firmware.tapCard(code);
        firmware.clearLogs();
        TExCardCode ex{};
        ASSERT_TRUE(reader.GetExCardCode(ex)) << c.length;
        EXPECT_EQ(ex.CodeLength, c.length);
        EXPECT_EQ(chunkRequests(transfers()), c.chunks) << c.length;
        EXPECT_EQ(transfers().size(), 2 + 2 * c.chunks.size());
        EXPECT_EQ(Bytes(ex.Code, ex.Code + c.length), code);
    }
}

TEST_F(CardCodeApiTest, ExtendedCodeLengthAboveTwentyOneReadsThreeChunks)
{
    firmware.tapCard({1, 2, 3});
    firmware.reportCodeLength(40);
    TExCardCode ex{};
    ASSERT_TRUE(reader.GetExCardCode(ex));
    EXPECT_EQ(ex.CodeLength, 40);
    EXPECT_EQ(chunkRequests(transfers()), (std::vector<uint8_t>{0, 7, 14}));
}

TEST_F(CardCodeApiTest, ExtendedCodeSkipsAChunkWhoseRequestFails)
{
    firmware.tapCard({1, 2, 3, 4, 5, 6, 7, 8, 9, 10});
    TExCardCode ex{};
    std::fill(std::begin(ex.Code), std::end(ex.Code), 0xEE);
    // Transfers: 0 length request, 1 its answer, 2 chunk-0 request (fails),
    // 3 chunk-7 request, 4 its answer.
    failTransfer(2);
    EXPECT_TRUE(reader.GetExCardCode(ex));
    EXPECT_EQ(Bytes(ex.Code, ex.Code + 7), Bytes(7, 0xEE));
    EXPECT_EQ(Bytes(ex.Code + 7, ex.Code + 10), (Bytes{8, 9, 10}));
    EXPECT_EQ(chunkRequests(transfers()), (std::vector<uint8_t>{7}));
}

TEST_F(CardCodeApiTest, ExtendedCodeResultIsThatOfTheLastAnswer)
{
    firmware.tapCard({1, 2, 3, 4, 5, 6, 7, 8, 9, 10});
    TExCardCode ex{};
    failTransfer(3); // the chunk-0 answer fails, the chunk-7 answer succeeds
    EXPECT_TRUE(reader.GetExCardCode(ex));
    resetTransfers();
    failTransfer(5); // now the last answer fails
    EXPECT_FALSE(reader.GetExCardCode(ex));
}

TEST_F(CardCodeApiTest, ExtendedCodeUnchangedWhenTheLengthRequestFails)
{
    TExCardCode ex{};
    ex.CodeLength = 9;
    failTransfer(0);
    EXPECT_FALSE(reader.GetExCardCode(ex));
    EXPECT_EQ(ex.CodeLength, 9);
}

TEST_F(CardCodeApiTest, ShortCardCode)
{
    firmware.tapCard({0x12, 0xAB, 0x00, 0x34, 0x56, 0x78});
    TCardCode code{};
    ASSERT_TRUE(reader.GetCardCode(code));
    EXPECT_EQ(code, (TCardCode{0x12, 0xAB, 0x00, 0x34, 0x56}));
}

TEST_F(CardCodeApiTest, EnableIsTheRawByte)
{
    ASSERT_TRUE(reader.SetEnable(7));
    EXPECT_EQ(writes().back()[2], 7);
    uint8_t enable = 0;
    ASSERT_TRUE(reader.GetEnable(enable));
    EXPECT_EQ(enable, 7);
}

TEST_F(CardCodeApiTest, SoundSendsTheLowByte)
{
    ASSERT_TRUE(reader.PlaySound(0x1234));
    EXPECT_EQ(lastWrite(1, 4), (Bytes{1, 0x34, 0}));
}

} // namespace
