#include "ReplaceFile.h"

#include "UniqueFd.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <stdexcept>

namespace korvelctl {
namespace {

namespace fs = std::filesystem;

[[noreturn]] void Fail(const std::string &fileName, int error)
{
    throw std::runtime_error("Unable to write to " + fileName + ": " + std::strerror(error));
}

// The copy beside the file: removed again unless it took the file's place.
class TemporaryCopy {
public:
    TemporaryCopy(const fs::path &target, const std::string &fileName)
    {
        // O_EXCL with a name of its own; created as any new file (mode 0666
        // less the umask).
        for (int attempt = 0; attempt < 100 && !fd_; ++attempt) {
            path_ = target.parent_path() / ("." + target.filename().string() + "." + std::to_string(::getpid()) +
                                            "-" + std::to_string(attempt) + ".tmp");
            fd_.reset(::open(path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
            if (!fd_ && errno != EEXIST)
                Fail(fileName, errno);
        }
        if (!fd_)
            Fail(fileName, EEXIST);
    }
    ~TemporaryCopy()
    {
        if (!renamed_)
            ::unlink(path_.c_str());
    }
    TemporaryCopy(const TemporaryCopy &) = delete;
    TemporaryCopy &operator=(const TemporaryCopy &) = delete;

    int fd() const { return fd_.get(); }
    const fs::path &path() const { return path_; }
    void renamedTo(const fs::path &target, const std::string &fileName)
    {
        if (::rename(path_.c_str(), target.c_str()) != 0)
            Fail(fileName, errno);
        renamed_ = true;
    }

private:
    fs::path path_;
    TUniqueFd fd_;
    bool renamed_ = false;
};

void WriteAll(int fd, const std::string &data, const std::string &fileName)
{
    for (size_t done = 0; done < data.size();) {
        const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            Fail(fileName, errno);
        done += static_cast<size_t>(n);
    }
}

// The file's bytes, so that the copy keeps what it holds beside the keys.
std::string ReadAll(const fs::path &path, const std::string &fileName)
{
    const TUniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd)
        throw std::runtime_error("cannot read " + fileName + ": " + std::strerror(errno));
    std::string data;
    char chunk[65536];
    for (;;) {
        const ssize_t n = ::read(fd.get(), chunk, sizeof chunk);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            throw std::runtime_error("cannot read " + fileName + ": " + std::strerror(errno));
        if (n == 0)
            return data;
        data.append(chunk, static_cast<size_t>(n));
    }
}

void Sync(const fs::path &path, int flags)
{
    const TUniqueFd fd(::open(path.c_str(), flags | O_CLOEXEC));
    if (fd)
        (void)::fsync(fd.get());
}

} // namespace

void ReplaceConfigFile(const std::string &fileName, const TKeyboardConfig &config)
{
    std::error_code error;
    fs::path target = fileName;
    if (fs::is_symlink(target, error))
        if (const fs::path resolved = fs::weakly_canonical(target, error); !error)
            target = resolved;
    if (target.filename().empty())
        Fail(fileName, EISDIR);
    if (target.parent_path().empty())
        target = "." / target;

    struct stat existing {};
    const bool exists = ::stat(target.c_str(), &existing) == 0;
    if (exists && !S_ISREG(existing.st_mode))
        throw std::runtime_error("Unable to write to " + fileName + ": not a regular file");
    TemporaryCopy copy(target, fileName);
    if (exists) {
        WriteAll(copy.fd(), ReadAll(target, fileName), fileName);
        if (::fchmod(copy.fd(), existing.st_mode & 07777) != 0)
            Fail(fileName, errno);
    }
    try {
        WriteConfigFile(copy.path().string(), config);
    } catch (const std::exception &) {
        throw std::runtime_error("Unable to write to " + fileName);
    }
    Sync(copy.path(), O_RDONLY);
    copy.renamedTo(target, fileName);
    Sync(target.parent_path(), O_RDONLY | O_DIRECTORY);
}

} // namespace korvelctl
