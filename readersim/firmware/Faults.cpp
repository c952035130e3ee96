#include "Faults.h"

#include <algorithm>

namespace readersim {

void Faults::failNext(int count)
{
    failNext_ = std::max(count, 0);
}

void Faults::dropAfter(int transfers)
{
    dropCountdown_ = std::max(transfers, -1);
}

void Faults::overrideCodeLength(std::optional<uint8_t> n)
{
    codeLength_ = n;
}

void Faults::declareFeatureLength(size_t length)
{
    featureLength_ = length;
}

void Faults::failStores(StoreFault fault)
{
    storeFault_ = fault;
}

void Faults::clearTransferFaults()
{
    failNext_ = 0;
    dropCountdown_ = -1;
    dropped_ = false;
    storeFault_ = StoreFault::None;
}

bool Faults::refuse(bool &droppedNow, bool stores)
{
    droppedNow = false;
    if (dropped_)
        return true;
    if (failNext_ > 0) {
        --failNext_;
        return true;
    }
    if (stores && storeFault_ == StoreFault::Refuse)
        return true;
    if (dropCountdown_ == 0) {
        dropped_ = droppedNow = true;
        dropCountdown_ = -1;
        return true;
    }
    if (dropCountdown_ > 0)
        --dropCountdown_;
    return false;
}

void Faults::adjustAnswer(uint8_t item, FeatureReport &answer) const
{
    if (item == ItemExCodeLength && codeLength_)
        answer[1] = *codeLength_;
}

} // namespace readersim
