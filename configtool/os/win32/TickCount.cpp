// The tick counter on Windows: GetTickCount, milliseconds since the system
// started, 32 bits.
#include "SplashTiming.h"

#include <windows.h>

uint32_t TickCount()
{
    return GetTickCount();
}
