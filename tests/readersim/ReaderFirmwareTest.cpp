#include "ReaderFirmware.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <thread>

using namespace readersim;
using Bytes = std::vector<uint8_t>;

namespace {

// Talks to the firmware as the host does: nine-byte reports, report ID 0.
class Firmware : public ::testing::Test {
protected:
    bool send(Bytes data) // data bytes 1.. (command code first)
    {
        data.insert(data.begin(), 0);
        data.resize(9);
        return fw.setFeature(data.data(), data.size());
    }
    Bytes read(uint8_t item, uint8_t parameter = 0)
    {
        Bytes answer(9, 0xEE);
        EXPECT_TRUE(send({CmdRequestData, item, parameter}));
        EXPECT_TRUE(fw.getFeature(answer.data(), answer.size()));
        return answer;
    }
    bool hasEvent(const std::string &line) const
    {
        const auto log = fw.events();
        return std::find(log.begin(), log.end(), line) != log.end();
    }

    ReaderFirmware fw;
};

using FirmwareCommands = Firmware;
using FirmwareReads = Firmware;
using FirmwareCardCode = Firmware;
using FirmwareFaults = Firmware;
using FirmwareThreads = Firmware;

// The raw channel, with a sink that records every input report.
class FirmwareRawChannel : public Firmware {
protected:
    using Raw = ReaderFirmware::RawReport;
    void SetUp() override
    {
        fw.setInputReportSink([this](const Raw &r) { sunk.push_back(r); });
    }
    void advancedMode() { ASSERT_TRUE(send({CmdSetDeviceMode, 0, 1})); }
    // An output report: length byte, then `data` in the data area, 0xEE after it.
    Raw output(uint8_t lengthByte, const Bytes &data)
    {
        Raw r;
        r.fill(0xEE);
        r[0] = 0;
        r[1] = lengthByte;
        std::copy(data.begin(), data.end(), r.begin() + 2);
        return r;
    }
    static Raw input(const Bytes &data) // the input report carrying `data`
    {
        Raw r{};
        r[1] = uint8_t(data.size());
        std::copy(data.begin(), data.end(), r.begin() + 2);
        return r;
    }
    static uint32_t sequence(const Raw &r) { return r[2] | r[3] << 8 | r[4] << 16 | uint32_t(r[5]) << 24; }
    size_t count(const std::string &line) const
    {
        const auto log = fw.events();
        return std::count(log.begin(), log.end(), line);
    }

    std::vector<Raw> sunk;
};

TEST_F(FirmwareCommands, DeviceModeIsWrittenAtByteThreeAndReadAtIndexSeven)
{
    ASSERT_TRUE(send({CmdSetDeviceMode, 9, 1}));
    EXPECT_EQ(fw.settings().deviceMode, 1);
    EXPECT_EQ(read(ItemConfig), (Bytes{0, 0, 0, 0, 0, 0x0A, 0, 1, 0}));
    EXPECT_TRUE(hasEvent("mode 1"));
}

TEST_F(FirmwareCommands, KeyboardReportHalvesLandInTheirOwnReport)
{
    const KeyboardReport ReaderSettings::*reports[] = {&ReaderSettings::before, &ReaderSettings::after,
                                                       &ReaderSettings::remove};
    for (uint8_t i = 0; i < 3; ++i) {
        const uint8_t first = 11 + 10 * i;
        ASSERT_TRUE(send({first, 1, 0, 4, uint8_t(5 + i)}));
        ASSERT_TRUE(send({uint8_t(first + 1), 6, 7, 8, 9}));
        const KeyboardReport expected{1, 0, 4, uint8_t(5 + i), 6, 7, 8, 9};
        EXPECT_EQ(fw.settings().*reports[i], expected) << int(first);
        EXPECT_EQ(read(1 + i), (Bytes{0, 1, 0, 4, uint8_t(5 + i), 6, 7, 8, 9})) << int(first);
    }
    EXPECT_TRUE(hasEvent("before 01 00 04 05 06 07 08 09"));
}

TEST_F(FirmwareCommands, FailedSecondHalfKeepsTheNewFirstHalf)
{
    ASSERT_TRUE(send({CmdBeforeFirstHalf, 1, 0, 4, 5}));
    ASSERT_TRUE(send({CmdBeforeSecondHalf, 6, 7, 8, 9}));
    ASSERT_TRUE(send({CmdBeforeFirstHalf, 2, 0, 0x10, 0x11}));
    fw.failNextTransfers(1);
    EXPECT_FALSE(send({CmdBeforeSecondHalf, 0x20, 0x21, 0x22, 0x23}));
    EXPECT_EQ(fw.settings().before, (KeyboardReport{2, 0, 0x10, 0x11, 6, 7, 8, 9}));
}

TEST_F(FirmwareCommands, PrefixKeepsAnInnerZeroByte)
{
    ASSERT_TRUE(send({CmdSetPrefix, 'A', 0, 'B', 0, 0, 'C'}));
    EXPECT_EQ(fw.settings().prefix, (std::array<uint8_t, 6>{'A', 0, 'B', 0, 0, 'C'}));
    EXPECT_EQ(read(ItemPrefix), (Bytes{0, 'A', 0, 'B', 0, 0, 'C', 0, 0}));
    EXPECT_EQ(read(ItemSufix), Bytes(9, 0));
    EXPECT_TRUE(hasEvent("prefix A\\x00B\\x00\\x00C"));
}

TEST_F(FirmwareCommands, IdentityDataIsStoredRaw)
{
    ASSERT_TRUE(send({CmdSetFactoryId, 0x78, 0x56, 0x34, 0x92}));
    ASSERT_TRUE(send({CmdSetProductionDate, 23, 2, 29})); // no 29 February in 2023
    EXPECT_EQ(fw.settings().factoryId, 0x92345678u);
    EXPECT_EQ(read(ItemFactoryId), (Bytes{0, 0x78, 0x56, 0x34, 0x92, 0, 0, 0, 0}));
    EXPECT_EQ(read(ItemProductionDate), (Bytes{0, 23, 2, 29, 0, 0, 0, 0, 0}));
    EXPECT_TRUE(hasEvent("factory-id 2452903544"));
    EXPECT_TRUE(hasEvent("production-date 23 2 29"));
}

TEST_F(FirmwareCommands, SettingsCallbackRunsOnlyForChangesAndMayCallBack)
{
    std::vector<uint8_t> seen;
    fw.setOnSettingsChanged([&](const ReaderSettings &s) {
        seen.push_back(s.confByte);
        EXPECT_EQ(fw.settings(), s); // would deadlock if run under the lock
    });
    ASSERT_TRUE(send({CmdSetConfigBits, 0x2B}));
    ASSERT_TRUE(send({CmdPlaySound, 6}));
    ASSERT_TRUE(send({42, 1, 2, 3}));
    EXPECT_EQ(seen, (std::vector<uint8_t>{0x2B}));
    EXPECT_EQ(fw.events(), (std::vector<std::string>{"config 0x2b", "sound 6", "unknown command 42"}));
}

TEST_F(FirmwareReads, EnableByteAndUnselectedItemsRead)
{
    Bytes answer(9, 0xEE);
    ASSERT_TRUE(fw.getFeature(answer.data(), answer.size())); // nothing requested yet
    EXPECT_EQ(answer, Bytes(9, 0));
    ASSERT_TRUE(send({CmdSetEnable, 0x80}));
    EXPECT_EQ(read(ItemEnable), (Bytes{0, 0x80, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(read(57), Bytes(9, 0));
}

TEST_F(FirmwareCardCode, TenByteCodeInChunksOfSeven)
{
    fw.tapCard({1, 2, 3, 4, 5, 6, 7, 8, 9, 10});
    EXPECT_EQ(read(ItemExCodeLength)[1], 10);
    EXPECT_EQ(read(ItemCardCode), (Bytes{0, 1, 2, 3, 4, 5, 0, 0, 0}));
    EXPECT_EQ(read(ItemExCodeChunk, 0), (Bytes{0, 1, 2, 3, 4, 5, 6, 7, 0}));
    EXPECT_EQ(read(ItemExCodeChunk, 7), (Bytes{0, 8, 9, 10, 0, 0, 0, 0, 0}));
    EXPECT_EQ(read(ItemExCodeChunk, 14), Bytes(9, 0));
}

TEST_F(FirmwareCardCode, LongCodeIsCutAndOddOffsetsStayInside)
{
    Bytes code(30);
    for (size_t i = 0; i < code.size(); ++i)
        code[i] = uint8_t(0x40 + i);
    fw.tapCard(code);
    EXPECT_EQ(fw.cardCode().size(), 21u);
    EXPECT_EQ(read(ItemExCodeChunk, 18), (Bytes{0, 0x52, 0x53, 0x54, 0, 0, 0, 0, 0}));
    EXPECT_EQ(read(ItemExCodeChunk, 250), Bytes(9, 0));
}

TEST_F(FirmwareCardCode, LengthOverrideAndNoCard)
{
    fw.tapCard({1, 2});
    fw.reportCodeLength(30);
    EXPECT_EQ(read(ItemExCodeLength)[1], 30);
    fw.reportCodeLength(std::nullopt);
    fw.removeCard();
    EXPECT_EQ(read(ItemExCodeLength), Bytes(9, 0));
    EXPECT_EQ(read(ItemCardCode), Bytes(9, 0));
}

TEST_F(FirmwareFaults, FailNextTransfersCountsBothDirections)
{
    fw.failNextTransfers(2);
    EXPECT_FALSE(send({CmdSetConfigBits, 0x01}));
    Bytes answer(9, 0xEE);
    EXPECT_FALSE(fw.getFeature(answer.data(), answer.size()));
    EXPECT_EQ(answer, Bytes(9, 0xEE)); // a refused read leaves the buffer alone
    EXPECT_EQ(fw.settings().confByte, 0x0A);
    EXPECT_TRUE(send({CmdSetConfigBits, 0x01}));
    const auto log = fw.transfers();
    ASSERT_EQ(log.size(), 3u);
    EXPECT_TRUE(log[0].failed && log[1].failed && !log[2].failed);
    EXPECT_EQ(log[1].kind, Transfer::Kind::GetFeature);
}

TEST_F(FirmwareFaults, StoresRefusedOrLostAndANewReaderHasNoFaults)
{
    for (const StoreFault fault : {StoreFault::Refuse, StoreFault::Lose}) {
        fw.failStores(fault);
        EXPECT_EQ(send({CmdSetConfigBits, 0x2B}), fault == StoreFault::Lose);
        EXPECT_EQ(read(ItemConfig)[5], 0x0A); // reads and sounds still work
        EXPECT_TRUE(send({CmdPlaySound, 6}));
        EXPECT_EQ(fw.settings().confByte, 0x0A);
    }
    fw.failNextTransfers(3);
    fw.dropAfter(5);
    fw.tapCard({0x12});
    ReaderSettings fresh;
    fresh.factoryId = 20001;
    fw.becomeNewReader(fresh);
    EXPECT_TRUE(send({CmdSetConfigBits, 0x2B}));
    EXPECT_EQ(fw.settings().confByte, 0x2B);
    EXPECT_EQ(fw.settings().factoryId, 20001u);
    EXPECT_TRUE(fw.cardCode().empty());
    for (int i = 0; i < 6; ++i)
        EXPECT_TRUE(send({CmdPlaySound, 0})) << i; // no drop planned any more
}

TEST_F(FirmwareFaults, DropRunsTheCallbackOnceAndItMayCallBack)
{
    int drops = 0;
    fw.setOnDropped([&] {
        ++drops;
        EXPECT_TRUE(fw.dropped());
        fw.settings();
    });
    fw.dropAfter(2);
    EXPECT_TRUE(send({CmdPlaySound, 1}));
    EXPECT_TRUE(send({CmdPlaySound, 2}));
    EXPECT_FALSE(fw.dropped());
    EXPECT_FALSE(send({CmdPlaySound, 3}));
    Bytes answer(9);
    EXPECT_FALSE(fw.getFeature(answer.data(), answer.size()));
    EXPECT_TRUE(fw.dropped());
    EXPECT_EQ(drops, 1);
    EXPECT_EQ(fw.events().size(), 2u);
}

TEST_F(FirmwareFaults, ShortLongAndMissingBuffers)
{
    const uint8_t shortReport[5] = {0, CmdSetFactoryId, 0x10, 0x27, 0}; // byte 5 missing
    ASSERT_TRUE(fw.setFeature(shortReport, sizeof shortReport));
    EXPECT_EQ(fw.settings().factoryId, 10000u);

    ASSERT_TRUE(send({CmdRequestData, ItemFactoryId}));
    Bytes buffer(12, 0xEE);
    ASSERT_TRUE(fw.getFeature(buffer.data(), 5));
    EXPECT_EQ(buffer, (Bytes{0, 0x10, 0x27, 0, 0, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE}));

    fw.declareFeatureLength(65);
    EXPECT_EQ(fw.featureReportLength(), 65u);
    Bytes longAnswer(65, 0xEE);
    ASSERT_TRUE(fw.getFeature(longAnswer.data(), longAnswer.size()));
    EXPECT_EQ(std::count(longAnswer.begin() + 3, longAnswer.end(), 0), 62);

    EXPECT_FALSE(fw.setFeature(nullptr, 9));
    EXPECT_FALSE(fw.getFeature(buffer.data(), 0));
}

TEST(ReaderSettingsText, RoundTripKeepsEveryField)
{
    ReaderSettings s;
    s.confByte = 0xFF;
    s.confByte2 = 0x80;
    s.deviceMode = 1;
    s.enable = 0;
    s.before = {1, 0, 4, 0, 0, 0, 0, 0xFF};
    s.after = {0, 0, 0x28, 0, 0, 0, 0, 0};
    s.remove = {0x80, 1, 2, 3, 4, 5, 6, 7};
    s.prefix = {'A', 0, 'B', 0, 0, 0};
    s.sufix = {0xE4, '1', ' ', 0, 0, 0x7F};
    s.factoryId = 0xFFFFFFFF;
    s.productionYear = 255;
    s.productionMonth = 0;
    s.productionDay = 31;
    const std::string text = s.toText();
    EXPECT_EQ(ReaderSettings::fromText(text), s) << text;
    EXPECT_NE(text.find("prefix=41 00 42 00 00 00\n"), std::string::npos) << text;
}

TEST(ReaderSettingsText, GarbageLeavesDefaults)
{
    const ReaderSettings s = ReaderSettings::fromText("confByte=0x2b\r\n"
                                                      "nonsense\n=\nenable=300\nconfByte2=-1\n"
                                                      "before=01 02\nafter=01 02 03 04 05 06 07 08 09\n"
                                                      "prefix=zz 00 00 00 00 00\nfactoryId=4294967296\n"
                                                      "productionDate=24 2\ncolour=blue\n");
    ReaderSettings expected;
    expected.confByte = 0x2B;
    EXPECT_EQ(s, expected);
}

TEST_F(FirmwareThreads, ConcurrentWritesAndReadsStayConsistent)
{
    constexpr int Rounds = 1000;
    fw.setOnSettingsChanged([&](const ReaderSettings &) { fw.settings(); });
    std::thread writer([&] {
        for (int i = 0; i < Rounds; ++i)
            send({CmdSetConfigBits, uint8_t(i % 2 ? 0x01 : 0x02)});
    });
    bool consistent = true;
    for (int i = 0; i < Rounds; ++i) {
        const Bytes answer = read(ItemConfig); // the writer never changes the pending item
        consistent = consistent && (answer[5] == 0x0A || answer[5] == 0x01 || answer[5] == 0x02);
    }
    writer.join();
    EXPECT_TRUE(consistent);
    EXPECT_EQ(fw.transfers().size(), 3u * Rounds);
    EXPECT_EQ(fw.events().size(), size_t(Rounds));
}

TEST_F(FirmwareRawChannel, AdvancedModeEchoesLengthByteAndDataOnly)
{
    advancedMode();
    const Raw first = output(3, {1, 2, 3});
    fw.receiveOutputReport(first.data(), first.size());
    Bytes all(63);
    for (size_t i = 0; i < all.size(); ++i)
        all[i] = uint8_t(0x80 + i);
    const Raw overlong = output(200, all);
    fw.receiveOutputReport(overlong.data(), overlong.size());
    const uint8_t shortReport[4] = {0, 5, 9, 8}; // the rest reads as zeros
    fw.receiveOutputReport(shortReport, sizeof shortReport);

    ASSERT_EQ(sunk.size(), 3u);
    EXPECT_EQ(sunk[0], input({1, 2, 3})); // not the 0xEE past the length
    EXPECT_EQ(sunk[1], input(all));
    EXPECT_EQ(sunk[2], input({9, 8, 0, 0, 0}));
    const auto out = fw.outputReports();
    ASSERT_EQ(out.size(), 3u);
    EXPECT_EQ(out[1], overlong); // stored as received
    EXPECT_EQ(count("raw output 200 bytes"), 1u);
    EXPECT_EQ(count("raw input 63 bytes"), 1u);
}

TEST_F(FirmwareRawChannel, NormalModeOnlyLogsAndEmptyReportsAreIgnored)
{
    const Raw report = output(2, {7, 7});
    fw.receiveOutputReport(report.data(), report.size());
    fw.receiveOutputReport(nullptr, 65);
    fw.receiveOutputReport(report.data(), 0);
    EXPECT_TRUE(sunk.empty());
    EXPECT_EQ(fw.outputReports(), std::vector<Raw>{report});
    EXPECT_EQ(fw.events(), (std::vector<std::string>{"raw output 2 bytes", "raw output ignored in normal mode"}));
    fw.clearLogs();
    EXPECT_TRUE(fw.outputReports().empty());
}

TEST_F(FirmwareRawChannel, StreamCarriesSequenceNumbersInOrder)
{
    fw.streamInputReports(300, 10);
    ASSERT_EQ(sunk.size(), 300u);
    for (uint32_t i = 0; i < sunk.size(); ++i) {
        Bytes expected{uint8_t(i), uint8_t(i >> 8), 0, 0};
        expected.resize(10, 0xA5);
        ASSERT_EQ(sunk[i], input(expected)) << i;
    }
    EXPECT_EQ(fw.events(), std::vector<std::string>{"raw stream 300 reports"});

    sunk.clear();
    fw.streamInputReports(1, 100);
    fw.streamInputReports(1, 0);
    fw.streamInputReports(0);
    fw.streamInputReports(-5);
    ASSERT_EQ(sunk.size(), 2u);
    EXPECT_EQ(sunk[0][1], 63);
    EXPECT_EQ(sunk[0][64], 0xA5);
    EXPECT_EQ(sunk[1], input({0, 0, 0, 0}));
}

TEST_F(FirmwareRawChannel, SendsCutOrPassThroughAndNoSinkIsLoggedOncePerSink)
{
    fw.sendInputReport(Bytes(70, 0x11));
    Raw odd{};
    odd[0] = 3;
    odd[1] = 200;
    fw.sendRawInputReport(odd);
    ASSERT_EQ(sunk.size(), 2u);
    EXPECT_EQ(sunk[0], input(Bytes(63, 0x11)));
    EXPECT_EQ(sunk[1], odd);

    fw.setInputReportSink(nullptr);
    fw.sendInputReport({1});
    fw.streamInputReports(3);
    fw.setInputReportSink(nullptr);
    fw.sendInputReport({2});
    EXPECT_EQ(count("raw input dropped: no sink"), 2u);
    EXPECT_EQ(count("raw input 1 bytes"), 2u); // sent, though nobody listened
    EXPECT_EQ(sunk.size(), 2u);
}

TEST_F(FirmwareRawChannel, SinkMayCallBackAndSendAgain)
{
    advancedMode();
    // Each echo (and the first report) is answered with the next output report and a
    // 0x42 until the length reaches 3; the sink's own reports arrive after it returns,
    // in the order it sent them.
    fw.setInputReportSink([this](const Raw &r) {
        sunk.push_back(r);
        fw.events();
        if (r[1] < 3 && r[2] != 0x42) {
            const Raw next = output(uint8_t(r[1] + 1), {});
            fw.receiveOutputReport(next.data(), next.size());
            fw.sendInputReport({0x42});
            EXPECT_EQ(sunk.back(), r); // nothing delivered inside this call
        }
    });
    fw.sendInputReport({});
    Bytes lengths;
    for (const Raw &r : sunk)
        lengths.push_back(r[1]);
    EXPECT_EQ(lengths, (Bytes{0, 1, 1, 2, 1, 3, 1}));
    EXPECT_EQ(fw.outputReports().size(), 3u);

    fw.setInputReportSink([this](const Raw &) { fw.setInputReportSink(nullptr); });
    fw.streamInputReports(5); // the first report removes the sink
    EXPECT_EQ(count("raw input dropped: no sink"), 1u);
}

TEST_F(FirmwareRawChannel, ConcurrentSendersKeepTheirOrderAndStreamsStayWhole)
{
    constexpr int Senders = 3, Reports = 400, Stream = 200;
    std::atomic<bool> inside{false}, overlapped{false};
    fw.setInputReportSink([&](const Raw &r) {
        overlapped = overlapped || inside.exchange(true);
        std::this_thread::yield();
        sunk.push_back(r);
        inside = false;
    });
    std::vector<std::thread> threads;
    for (int t = 0; t < Senders; ++t)
        threads.emplace_back([&, t] {
            for (int i = 0; i < Reports; ++i)
                fw.sendInputReport(Bytes(size_t(t + 1), uint8_t(i))); // sender in the length
        });
    threads.emplace_back([&] { fw.streamInputReports(Stream, 63); });
    for (auto &thread : threads)
        thread.join();

    EXPECT_FALSE(overlapped);
    ASSERT_EQ(sunk.size(), size_t(Senders * Reports + Stream));
    std::vector<int> next(Senders, 0);
    std::vector<std::string> sent; // what the event log should show, in delivery order
    for (size_t i = 0; i < sunk.size(); ++i) {
        if (sunk[i][1] == 63) { // the stream: all of it, here, in order
            for (uint32_t k = 0; k < Stream; ++k)
                ASSERT_EQ(sequence(sunk[i + k]), k) << i;
            sent.push_back("raw stream 200 reports");
            i += Stream - 1;
            continue;
        }
        const int sender = sunk[i][1] - 1;
        ASSERT_EQ(sunk[i][2], uint8_t(next[sender]++)) << "sender " << sender;
        sent.push_back("raw input " + std::to_string(sender + 1) + " bytes");
    }
    EXPECT_EQ(fw.events(), sent);
}

TEST_F(FirmwareRawChannel, DroppedReaderIgnoresEverything)
{
    advancedMode();
    fw.dropAfter(0);
    EXPECT_FALSE(send({CmdPlaySound, 1}));
    fw.clearLogs();
    const Raw report = output(1, {5});
    fw.receiveOutputReport(report.data(), report.size());
    fw.sendInputReport({1});
    fw.sendRawInputReport(report);
    fw.streamInputReports(4);
    EXPECT_TRUE(sunk.empty());
    EXPECT_TRUE(fw.outputReports().empty());
    EXPECT_TRUE(fw.events().empty());
}

} // namespace
