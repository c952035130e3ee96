// Exclusive use of an input device (EVIOCGRAB): while held, nothing the
// device types reaches other readers of it, the desktop's included. Let go
// when the owner goes; the kernel also lets go when the descriptor closes.
#pragma once

#include <utility>

namespace cardlistener {

class InputGrab {
public:
    InputGrab() = default;
    // Takes the grab on `fd` (not owned; it must outlive the grab). !held()
    // when refused, with errno telling why (EBUSY: someone else holds it).
    explicit InputGrab(int fd);
    ~InputGrab() { release(); }
    InputGrab(InputGrab &&other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    InputGrab &operator=(InputGrab &&other) noexcept
    {
        if (this != &other) {
            release();
            fd_ = std::exchange(other.fd_, -1);
        }
        return *this;
    }
    InputGrab(const InputGrab &) = delete;
    InputGrab &operator=(const InputGrab &) = delete;

    bool held() const { return fd_ >= 0; }
    void release();

private:
    int fd_ = -1;
};

} // namespace cardlistener
