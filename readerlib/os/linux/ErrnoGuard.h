// Keeps errno across clean-up or bookkeeping work, so that the failing
// call's error is the one callers see.
#pragma once

#include <cerrno>

namespace korvel::os {

class ErrnoGuard {
public:
    ErrnoGuard() : saved_(errno) {}
    ~ErrnoGuard() { errno = saved_; }
    ErrnoGuard(const ErrnoGuard &) = delete;
    ErrnoGuard &operator=(const ErrnoGuard &) = delete;

private:
    int saved_;
};

} // namespace korvel::os
