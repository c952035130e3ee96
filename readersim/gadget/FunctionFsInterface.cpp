#include "FunctionFsInterface.h"

#include <linux/aio_abi.h>
#include <linux/usb/ch9.h>
#include <linux/usb/functionfs.h>

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace readersim {
namespace {

enum Transfer : uint64_t { InTransfer = 1, OutTransfer = 2 };

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
        writeAll(ep0_, functionFsDescriptors(control_.spec()), "FunctionFS refused the descriptors");
        writeAll(ep0_, functionFsStrings(), "FunctionFS refused the strings");
        in_ = openOrThrow(mountPoint_ + "/ep1", O_RDWR);
        if (control_.spec().outPacketSize)
            out_ = openOrThrow(mountPoint_ + "/ep2", O_RDWR);
        inBuffer_.resize(control_.spec().inPacketSize);
        outBuffer_.resize(control_.spec().outPacketSize);
        aioDone_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
        wake_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
        if (aioDone_ < 0 || wake_ < 0)
            throw failure("eventfd");
        aio_context_t context = 0;
        if (::syscall(SYS_io_setup, 4, &context) != 0)
            throw failure("io_setup");
        aio_ = context;
        thread_ = std::thread([this] { run(); });
    } catch (...) {
        for (int *fd : {&out_, &in_, &ep0_, &aioDone_, &wake_})
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
    for (int *fd : {&out_, &in_, &ep0_, &aioDone_, &wake_})
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
    pollfd fds[] = {{ep0_, POLLIN, 0}, {aioDone_, POLLIN, 0}, {wake_, POLLIN, 0}};
    while (!stop_) {
        if (::poll(fds, 3, -1) < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        uint64_t count;
        if (fds[2].revents & POLLIN)
            (void)!::read(wake_, &count, sizeof count);
        if (fds[0].revents & POLLIN)
            handleEvents();
        if (fds[1].revents & POLLIN) {
            (void)!::read(aioDone_, &count, sizeof count);
            reapTransfers();
        }
        if (!stop_)
            submitTransfers();
    }
}

void FunctionFsInterface::handleEvents()
{
    usb_functionfs_event events[4];
    const ssize_t n = ::read(ep0_, events, sizeof events);
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
    // Stalling is done by moving data the wrong way during the request.
    if (setup.bRequestType & USB_DIR_IN) {
        const ControlReply reply = control_.answer(setup, {});
        if (reply.stall)
            (void)!::read(ep0_, nullptr, 0);
        else
            (void)!::write(ep0_, reply.data.data(), reply.data.size());
        return;
    }
    std::vector<uint8_t> data(setup.wLength);
    if (!data.empty()) {
        const ssize_t n = ::read(ep0_, data.data(), data.size());
        data.resize(n > 0 ? static_cast<size_t>(n) : 0);
    }
    const ControlReply reply = control_.answer(setup, data);
    if (setup.wLength == 0 && !reply.stall)
        (void)!::read(ep0_, nullptr, 0); // the status stage
    else if (reply.stall)
        (void)!::write(ep0_, nullptr, 0);
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
            inBusy_ = submit(aio_, inBlock_, in_, aioDone_, InTransfer, true, inBuffer_) == 1;
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
