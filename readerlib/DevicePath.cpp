#include "DevicePath.h"

namespace korvel {
namespace {

// Characters `first`..`first+count-1` (counting from 1), cut short at the
// end of the text like a substring copy.
std::string charactersAt(const std::string &text, size_t first, size_t count)
{
    if (first == 0 || first > text.size())
        return {};
    return text.substr(first - 1, count);
}

// The digits as a hexadecimal number, or 0 when there are none or any of
// them is not a hexadecimal digit.
int32_t hexOrZero(const std::string &digits)
{
    if (digits.empty())
        return 0;
    int32_t value = 0;
    for (char c : digits) {
        int digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else
            return 0;
        value = value * 16 + digit;
    }
    return value;
}

} // namespace

DevicePathFields parseDevicePath(const std::string &path)
{
    DevicePathFields fields;
    fields.vendorId = hexOrZero(charactersAt(path, 13, 4));
    fields.productId = hexOrZero(charactersAt(path, 22, 4));
    fields.interfaceNumber = charactersAt(path, 27, 3) == "mi_" ? charactersAt(path, 30, 2) : "00";
    fields.tail = path.size() >= 4 ? path.substr(path.size() - 4) : path;
    return fields;
}

} // namespace korvel
