// Calls from several threads run strictly one after another: the reader's
// transfer log never shows the transfers of two calls interleaved.
#include "SharedBus.h"
#include "korvel.h"

#include <thread>

using korvel::testing::BusTest;
using readersim::Transfer;

namespace {

using Concurrency = BusTest;

TEST_F(Concurrency, TransfersOfTwoThreadsNeverInterleave)
{
    constexpr int Calls = 40;
    std::thread reader([] {
        for (int i = 0; i < Calls; ++i) {
            int32_t bits;
            RFID_GetConfigBits(&bits);
        }
    });
    std::thread writer([] {
        const TKeybHIDReport report{1, 0, 4, 5, 6, 7, 8, 9};
        for (int i = 0; i < Calls; ++i)
            RFID_SetBeforeHidKeyboardReport(&report);
    });
    reader.join();
    writer.join();

    // A config read is a request (command 0) then an answer; a report write
    // is command 11 then command 12. Each pair must be adjacent.
    const auto log = firmware->transfers();
    ASSERT_EQ(log.size(), 4u * Calls);
    int reads = 0, writes = 0;
    for (size_t i = 0; i < log.size(); i += 2) {
        const Transfer &first = log[i];
        const Transfer &second = log[i + 1];
        ASSERT_EQ(first.kind, Transfer::Kind::SetFeature) << "at " << i;
        if (first.bytes[1] == 0) {
            EXPECT_EQ(second.kind, Transfer::Kind::GetFeature) << "at " << i;
            ++reads;
        } else {
            ASSERT_EQ(first.bytes[1], 11) << "at " << i;
            EXPECT_EQ(second.kind, Transfer::Kind::SetFeature) << "at " << i;
            EXPECT_EQ(second.bytes[1], 12) << "at " << i;
            ++writes;
        }
    }
    EXPECT_EQ(reads, Calls);
    EXPECT_EQ(writes, Calls);
}

} // namespace
