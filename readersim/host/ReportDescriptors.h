// The HID report descriptors of the devices on the virtual bus.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace readersim {

// Interface 0 of the reader: a boot keyboard, plus a vendor-defined feature
// report without report ID of `featureLength` - 1 data bytes (at least 8).
std::vector<uint8_t> readerKeyboardDescriptor(size_t featureLength);

// Interface 1 of the reader: vendor-defined 64-byte input and output
// reports, no report IDs.
std::vector<uint8_t> readerRawDescriptor();

// A plain three-button mouse with X and Y.
std::vector<uint8_t> mouseDescriptor();

} // namespace readersim
