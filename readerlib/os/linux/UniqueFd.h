// Owns one file descriptor and closes it.
#pragma once

#include <unistd.h>

#include <utility>

class TUniqueFd {
public:
    TUniqueFd() = default;
    explicit TUniqueFd(int fd) : FFd(fd) {}
    ~TUniqueFd() { reset(); }
    TUniqueFd(TUniqueFd &&other) noexcept : FFd(std::exchange(other.FFd, -1)) {}
    TUniqueFd &operator=(TUniqueFd &&other) noexcept
    {
        if (this != &other)
            reset(std::exchange(other.FFd, -1));
        return *this;
    }
    TUniqueFd(const TUniqueFd &) = delete;
    TUniqueFd &operator=(const TUniqueFd &) = delete;

    int get() const { return FFd; }
    // Gives up ownership without closing.
    int release() { return std::exchange(FFd, -1); }
    explicit operator bool() const { return FFd >= 0; }
    void reset(int fd = -1)
    {
        if (FFd >= 0)
            ::close(FFd);
        FFd = fd;
    }

private:
    int FFd = -1;
};
