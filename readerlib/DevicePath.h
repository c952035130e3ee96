// Reading a HID device path of the form
//   \\?\hid#vid_1209&pid_0001&mi_00#<instance>#{<class guid>}[\kbd]
// at the fixed character positions the reader's discovery relies on.
// Nothing but those positions is examined.
#pragma once

#include <cstdint>
#include <string>

namespace korvel {

struct DevicePathFields {
    int32_t vendorId = 0;        // characters 13-16; 0 when not hexadecimal
    int32_t productId = 0;       // characters 22-25; 0 when not hexadecimal
    std::string interfaceNumber; // characters 30-31 after "mi_" at 27-29, else "00"
    std::string tail;            // the last four characters
};

DevicePathFields parseDevicePath(const std::string &path);

// The suffix a path carries when it names the keyboard collection of an
// interface; it is not part of the path that is opened.
inline constexpr const char *KeyboardCollectionTail = "\\kbd";

} // namespace korvel
