// How long the splash stays up: at least SplashMinTime after the tick taken
// just before it was created, on a 32-bit millisecond counter that wraps.
#pragma once

#include <cstdint>

inline constexpr uint32_t SplashMinTime = 2000;

// Milliseconds since an arbitrary fixed point (system start), 32 bits: the
// system's tick counter (os/<system>/TickCount.cpp).
uint32_t TickCount();

// 2000 - (now - start) in 32-bit two's-complement arithmetic, so a wrap of
// the counter between the two readings still gives the true elapsed time.
constexpr int32_t SplashRemaining(uint32_t start, uint32_t now)
{
    return static_cast<int32_t>(SplashMinTime - (now - start));
}

// The wait before the splash goes: the remainder when 0 < remaining < 2000,
// otherwise none.
constexpr uint32_t SplashWait(int32_t remaining)
{
    return remaining > 0 && remaining < static_cast<int32_t>(SplashMinTime) ? static_cast<uint32_t>(remaining) : 0;
}
