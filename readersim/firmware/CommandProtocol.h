// What the reader does with the feature reports of interface 0: a
// set-feature stores a setting (or, with command 0, names the item that the
// next get-feature answers); a get-feature answers that item from what is
// stored. No locking, no faults: ReaderFirmware adds both.
#pragma once

#include "ReaderSettings.h"

#include <cstdint>
#include <string>
#include <vector>

namespace readersim {

// The state the protocol reads and writes.
struct ProtocolState {
    ReaderSettings settings;
    std::vector<uint8_t> card; // the code of the card in the field, up to MaxCodeBytes
    uint8_t pendingItem = 0;   // named by the last RequestData
    uint8_t pendingParameter = 0;
};

// Carries out the command in `report` (report ID, eight data bytes) and
// appends a readable line of what the reader did to `events` ("config
// 0x2b", "sound 6"). Returns true when the settings changed.
bool ApplyCommand(ProtocolState &state, const FeatureReport &report, std::vector<std::string> &events);

// The answer of a get-feature: report ID 0 and the pending item's data
// bytes; zeros for an item the reader does not know.
FeatureReport AnswerPendingItem(const ProtocolState &state);

} // namespace readersim
