// hid.dll's declarations (HidD_..., HidP_...). MinGW-w64's hidsdi.h and
// hidpi.h declare them without C linkage, so C++ must add it.
#pragma once

#include <windows.h>

extern "C" {
#include <hidsdi.h>
}
