// The library's C interface answered in this process by the virtual
// reader's firmware (the configuration calls over a FirmwarePlatform), for
// harnesses of programs that use the library. The raw channel is absent:
// its calls answer RFID_RW_NOT_PRESENT.
#pragma once

#include "ConfigExports.h"
#include "FirmwarePlatform.h"
#include "ReaderFirmware.h"

namespace korvel::fuzz {

// While one exists, the C interface reaches it; at most one at a time.
class ReaderOverFirmware {
public:
    ReaderOverFirmware();
    ~ReaderOverFirmware();
    ReaderOverFirmware(const ReaderOverFirmware &) = delete;
    ReaderOverFirmware &operator=(const ReaderOverFirmware &) = delete;

    readersim::ReaderFirmware firmware;
    testing::FirmwarePlatform platform{firmware};
    ConfigExports exports{platform};
};

} // namespace korvel::fuzz
