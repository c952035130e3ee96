#include "FunctionFsInterface.h"

#include <linux/aio_abi.h>
#include <linux/usb/ch9.h>
#include <linux/usb/functionfs.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/timerfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <mutex>
#include <stdexcept>

namespace readersim {
namespace {

enum Transfer : uint64_t { InTransfer = 1, OutTransfer = 2 };

using Clock = std::chrono::steady_clock;
constexpr auto StageDeadline = std::chrono::seconds(10);

// The signal that ends a stuck ep0 call: its handler does nothing, and
// without SA_RESTART the call returns EINTR.
int interruptSignal()
{
    static const int number = [] {
        const int signal = SIGRTMIN + 1;
        struct sigaction action {};
        action.sa_handler = [](int) {};
        sigemptyset(&action.sa_mask);
        ::sigaction(signal, &action, nullptr);
        return signal;
    }();
    return number;
}

std::runtime_error failure(const std::string &what)
{
    return std::runtime_error(what + ": " + std::strerror(errno));
}

void writeAll(int fd, const std::vector<uint8_t> &bytes, const std::string &what)
{
    if (::write(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size()))
        throw failure(what);
}

int openOrThrow(const std::string &path, int flags)
{
    const int fd = ::open(path.c_str(), flags | O_CLOEXEC);
    if (fd < 0)
        throw failure("cannot open " + path);
    return fd;
}

void closeIfOpen(int &fd)
{
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

// `block` must stay in place until the transfer completes: a cancel names it.
long submit(aio_context_t context, iocb &block, int fd, int resultFd, Transfer tag, bool write,
            std::vector<uint8_t> &buffer)
{
    block = {};
    block.aio_data = tag;
    block.aio_lio_opcode = write ? IOCB_CMD_PWRITE : IOCB_CMD_PREAD;
    block.aio_fildes = static_cast<uint32_t>(fd);
    block.aio_buf = reinterpret_cast<uint64_t>(buffer.data());
    block.aio_nbytes = buffer.size();
    block.aio_flags = IOCB_FLAG_RESFD;
    block.aio_resfd = static_cast<uint32_t>(resultFd);
    iocb *list[] = {&block};
    return ::syscall(SYS_io_submit, context, 1, list);
}

} // namespace

FunctionFsInterface::FunctionFsInterface(const std::string &instance, const std::string &mountPoint, HidControl control)
    : mountPoint_(mountPoint), control_(std::move(control))
{
    ::mkdir(mountPoint_.c_str(), 0700);
    if (::mount(instance.c_str(), mountPoint_.c_str(), "functionfs", 0, nullptr) != 0)
        throw failure("cannot mount FunctionFS " + instance + " on " + mountPoint_);
    try {
        ep0_ = openOrThrow(mountPoint_ + "/ep0", O_RDWR);
        writeAll(ep0_, functionFsDescriptors(control_.layout()), "FunctionFS refused the descriptors");
        writeAll(ep0_, functionFsStrings(), "FunctionFS refused the strings");
        // Non-blocking: a transfer submitted to a disabled endpoint fails
        // with EAGAIN instead of waiting in io_submit for the next enable,
        // which after an unplug never comes.
        in_ = openOrThrow(mountPoint_ + "/ep1", O_RDWR | O_NONBLOCK);
        if (control_.layout().outPacketSize)
            out_ = openOrThrow(mountPoint_ + "/ep2", O_RDWR | O_NONBLOCK);
        inBuffer_.resize(control_.layout().inPacketSize);
        outBuffer_.resize(control_.layout().outPacketSize);
        aioDone_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
        wake_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
        if (aioDone_ < 0 || wake_ < 0)
            throw failure("eventfd");
        pace_ = ::timerfd_create(CLOCK_MONOTONIC, TFD_CLOEXEC | TFD_NONBLOCK);
        if (pace_ < 0)
            throw failure("timerfd");
        interruptSignal();
        aio_context_t context = 0;
        if (::syscall(SYS_io_setup, 4, &context) != 0)
            throw failure("io_setup");
        aio_ = context;
        thread_ = std::thread([this] { run(); });
    } catch (...) {
        for (int *fd : {&out_, &in_, &ep0_, &aioDone_, &wake_, &pace_})
            closeIfOpen(*fd);
        if (aio_)
            ::syscall(SYS_io_destroy, aio_);
        ::umount2(mountPoint_.c_str(), MNT_DETACH);
        ::rmdir(mountPoint_.c_str());
        throw;
    }
}

FunctionFsInterface::~FunctionFsInterface()
{
    stop_ = true;
    const uint64_t one = 1;
    (void)!::write(wake_, &one, sizeof one);
    thread_.join();
    cancelTransfers();
    ::syscall(SYS_io_destroy, aio_); // waits for what is still in flight
    for (int *fd : {&out_, &in_, &ep0_, &aioDone_, &wake_, &pace_})
        closeIfOpen(*fd);
    ::umount2(mountPoint_.c_str(), MNT_DETACH);
    ::rmdir(mountPoint_.c_str());
}

void FunctionFsInterface::send(std::vector<uint8_t> report)
{
    {
        std::lock_guard lock(mutex_);
        if (queue_.size() >= MaxQueued)
            return;
        queue_.push_back(std::move(report));
    }
    const uint64_t one = 1;
    (void)!::write(wake_, &one, sizeof one);
}

void FunctionFsInterface::setOutputHandler(std::function<void(const std::vector<uint8_t> &)> handler)
{
    std::lock_guard lock(mutex_);
    onOutput_ = std::move(handler);
}

void FunctionFsInterface::run()
{
    sigevent event{};
    event.sigev_notify = SIGEV_THREAD_ID;
    event.sigev_signo = interruptSignal();
    event._sigev_un._tid = static_cast<pid_t>(::syscall(SYS_gettid));
    deadlineReady_ = ::timer_create(CLOCK_MONOTONIC, &event, &deadline_) == 0;
    pollfd fds[] = {{ep0_, POLLIN, 0}, {aioDone_, POLLIN, 0}, {wake_, POLLIN, 0}, {pace_, POLLIN, 0}};
    while (!stop_) {
        if (::poll(fds, 4, -1) < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        uint64_t count;
        if (fds[2].revents & POLLIN)
            (void)!::read(wake_, &count, sizeof count);
        if (fds[3].revents & POLLIN)
            (void)!::read(pace_, &count, sizeof count);
        if (fds[0].revents & POLLIN)
            handleEvents();
        if (fds[1].revents & POLLIN) {
            (void)!::read(aioDone_, &count, sizeof count);
            reapTransfers();
        }
        if (!stop_)
            submitTransfers();
    }
    if (deadlineReady_)
        ::timer_delete(deadline_);
}

ssize_t FunctionFsInterface::ep0Call(bool write, void *data, size_t size)
{
    itimerspec arm{};
    arm.it_value.tv_sec = std::chrono::duration_cast<std::chrono::seconds>(StageDeadline).count();
    if (deadlineReady_)
        ::timer_settime(deadline_, 0, &arm, nullptr);
    const ssize_t n = write ? ::write(ep0_, data, size) : ::read(ep0_, data, size);
    const int error = errno;
    const itimerspec disarm{};
    if (deadlineReady_)
        ::timer_settime(deadline_, 0, &disarm, nullptr);
    errno = error;
    return n;
}

void FunctionFsInterface::handleEvents()
{
    // With a control request still pending, this read would be its data
    // stage (FunctionFS's ep0 is both): hence the deadline here too.
    usb_functionfs_event events[4];
    const ssize_t n = ep0Call(false, events, sizeof events);
    if (n <= 0)
        return;
    for (size_t i = 0; i < static_cast<size_t>(n) / sizeof events[0]; ++i) {
        switch (events[i].type) {
        case FUNCTIONFS_ENABLE:
            enabled_ = true;
            break;
        case FUNCTIONFS_DISABLE:
        case FUNCTIONFS_UNBIND:
            enabled_ = false;
            cancelTransfers();
            {
                std::lock_guard lock(mutex_); // a new plug starts with nothing pending
                queue_.clear();
            }
            break;
        case FUNCTIONFS_SETUP:
            handleSetup(events[i].u.setup);
            break;
        default:
            break;
        }
    }
}

void FunctionFsInterface::handleSetup(const usb_ctrlrequest &setup)
{
    // Stalling is done by moving data the wrong way during the request; it
    // does not wait for the host.
    const bool in = setup.bRequestType & USB_DIR_IN;
    auto stall = [&] { (void)!(in ? ::read(ep0_, nullptr, 0) : ::write(ep0_, nullptr, 0)); };
    if (in) {
        ControlReply reply = control_.answer(setup, {});
        if (reply.stall)
            stall();
        else if (ep0Call(true, reply.data.data(), reply.data.size()) < 0 && errno == EINTR)
            stall(); // the host never took it
        return;
    }
    std::vector<uint8_t> data(setup.wLength);
    if (!data.empty()) {
        const ssize_t n = ep0Call(false, data.data(), data.size());
        if (n < 0) {
            if (errno == EINTR)
                stall(); // the host never sent it
            return; // or the request was cancelled: a new one came, or the unplug
        }
        data.resize(static_cast<size_t>(n));
    }
    const ControlReply reply = control_.answer(setup, data);
    if (reply.stall)
        stall();
    else if (setup.wLength == 0 && ep0Call(false, nullptr, 0) < 0 && errno == EINTR) // the status stage
        stall();
}

void FunctionFsInterface::submitTransfers()
{
    if (!enabled_)
        return;
    if (!inBusy_) {
        std::unique_lock lock(mutex_);
        if (!queue_.empty()) {
            inBuffer_ = queue_.front();
            lock.unlock();
            const auto now = Clock::now();
            if (now < nextIn_) {
                // Not before the host's next poll: the timer wakes the thread then.
                itimerspec at{};
                const auto wait = std::chrono::duration_cast<std::chrono::nanoseconds>(nextIn_ - now).count();
                at.it_value.tv_sec = wait / 1'000'000'000;
                at.it_value.tv_nsec = wait % 1'000'000'000;
                ::timerfd_settime(pace_, 0, &at, nullptr);
            } else {
                inBusy_ = submit(aio_, inBlock_, in_, aioDone_, InTransfer, true, inBuffer_) == 1;
            }
        }
    }
    if (out_ >= 0 && !outBusy_)
        outBusy_ = submit(aio_, outBlock_, out_, aioDone_, OutTransfer, false, outBuffer_) == 1;
}

void FunctionFsInterface::reapTransfers()
{
    io_event done[4];
    timespec none{0, 0};
    long n;
    while ((n = ::syscall(SYS_io_getevents, aio_, 0, 4, done, &none)) > 0) {
        for (long i = 0; i < n; ++i) {
            if (done[i].data == InTransfer) {
                inBusy_ = false;
                if (done[i].res >= 0) {
                    nextIn_ = Clock::now() + std::chrono::milliseconds(control_.layout().intervalMs);
                    std::lock_guard lock(mutex_);
                    if (!queue_.empty())
                        queue_.pop_front();
                }
            } else if (done[i].data == OutTransfer) {
                outBusy_ = false;
                if (done[i].res > 0) {
                    std::function<void(const std::vector<uint8_t> &)> handler;
                    {
                        std::lock_guard lock(mutex_);
                        handler = onOutput_;
                    }
                    if (handler)
                        handler(std::vector<uint8_t>(outBuffer_.begin(), outBuffer_.begin() + done[i].res));
                }
            }
        }
    }
}

void FunctionFsInterface::cancelTransfers()
{
    // The endpoints' transfers end with an error once they are disabled;
    // cancel them in case they are not, and collect them.
    io_event result{};
    if (inBusy_)
        ::syscall(SYS_io_cancel, aio_, &inBlock_, &result);
    if (outBusy_)
        ::syscall(SYS_io_cancel, aio_, &outBlock_, &result);
    if (inBusy_ || outBusy_) {
        io_event done[4];
        timespec wait{1, 0};
        const long n = ::syscall(SYS_io_getevents, aio_, 0, 4, done, &wait);
        for (long i = 0; i < n; ++i)
            (done[i].data == InTransfer ? inBusy_ : outBusy_) = false;
    }
}

} // namespace readersim
