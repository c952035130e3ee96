#include "StateFile.h"

#include "UniqueFd.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <utility>

namespace readersim {
namespace {

std::runtime_error fileError(const std::string &what, const std::string &path)
{
    return std::runtime_error(what + " " + path + ": " + std::strerror(errno));
}

void writeAll(int fd, const std::string &text, const std::string &path)
{
    for (size_t done = 0; done < text.size();) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            throw fileError("cannot write", path);
        done += static_cast<size_t>(n);
    }
}

} // namespace

std::optional<ReaderSettings> loadSettings(const std::string &path)
{
    TUniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0) {
        if (errno == ENOENT)
            return std::nullopt;
        throw fileError("cannot read", path);
    }
    std::string text;
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            throw fileError("cannot read", path);
        if (n == 0)
            return ReaderSettings::fromText(text);
        text.append(buffer, static_cast<size_t>(n));
    }
}

void saveSettings(const std::string &path, const ReaderSettings &settings)
{
    std::string temporary = path + ".XXXXXX";
    TUniqueFd fd(::mkstemp(temporary.data()));
    if (fd.get() < 0)
        throw fileError("cannot create", temporary);
    try {
        writeAll(fd.get(), settings.toText(), temporary);
        if (::close(fd.release()) != 0)
            throw fileError("cannot write", temporary);
        if (::rename(temporary.c_str(), path.c_str()) != 0)
            throw fileError("cannot replace", path);
    } catch (...) {
        ::unlink(temporary.c_str());
        throw;
    }
}

} // namespace readersim
