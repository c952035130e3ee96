// The one check of the buffers a caller passes to an exported function. It
// comes first, before a lock is taken or a device touched: a null buffer
// where one is needed refuses the call, with the last error "invalid
// argument" (EINVAL, ERROR_INVALID_PARAMETER).
#pragma once

#include "os/HidPlatform.h"

namespace korvel {

inline bool NullRefused(os::HidPlatform &platform, bool nullBuffer)
{
    if (nullBuffer)
        platform.setLastError(os::Failure::InvalidArgument);
    return nullBuffer;
}

} // namespace korvel
