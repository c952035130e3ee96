// Misbehaviour the firmware can be told to show, so that tests see how the
// host copes: refused transfers, dropping off the bus, commands that store
// a setting refused or lost (a worn memory), a card code length that says
// more than the reader holds, a longer declared feature report.
// Not thread-safe: ReaderFirmware calls it under its lock.
#pragma once

#include "ReaderProtocol.h"

#include <cstddef>
#include <cstdint>
#include <optional>

namespace readersim {

// What becomes of a command that stores a setting (any but RequestData and
// PlaySound): the reader refuses the transfer, or answers it as done and
// stores nothing.
enum class StoreFault { None, Refuse, Lose };

class Faults {
public:
    void failNext(int count);                        // the next `count` transfers fail
    void dropAfter(int transfers);                   // see ReaderFirmware::dropAfter
    void overrideCodeLength(std::optional<uint8_t> n); // item 11 answers n
    void declareFeatureLength(size_t length);        // report ID byte included
    void failStores(StoreFault fault);
    // Those of a transfer's faults that a reader fresh from the factory does
    // not have: refused and failing transfers, the drop, the store fault.
    void clearTransferFaults();

    size_t featureLength() const { return featureLength_; }
    bool dropped() const { return dropped_; }
    // Whether a command that stores a setting is answered but not stored.
    bool losesStores() const { return storeFault_ == StoreFault::Lose; }

    // Called once per transfer: true when the transfer is refused. Sets
    // `droppedNow` when this transfer is the one that drops the reader.
    // `stores`: the transfer carries a command that stores a setting.
    bool refuse(bool &droppedNow, bool stores = false);
    // Changes the answer to `item` as the faults say.
    void adjustAnswer(uint8_t item, FeatureReport &answer) const;

private:
    int failNext_ = 0;
    int dropCountdown_ = -1; // -1: no drop planned
    bool dropped_ = false;
    StoreFault storeFault_ = StoreFault::None;
    std::optional<uint8_t> codeLength_;
    size_t featureLength_ = 9;
};

} // namespace readersim
