#include "InputGrab.h"

#include <linux/input.h>
#include <sys/ioctl.h>

#include <cerrno>

namespace cardlistener {

InputGrab::InputGrab(int fd)
{
    if (fd >= 0 && ::ioctl(fd, EVIOCGRAB, 1) == 0)
        fd_ = fd;
}

void InputGrab::release()
{
    if (fd_ < 0)
        return;
    const int saved = errno;
    ::ioctl(fd_, EVIOCGRAB, 0);
    errno = saved;
    fd_ = -1;
}

} // namespace cardlistener
