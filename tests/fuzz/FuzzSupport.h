// What the harnesses share: a check that stops the run with a message, and
// a private scratch directory for harnesses that go through files.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>

// A property every input must keep; a failure is a finding (libFuzzer
// saves the input).
#define FUZZ_CHECK(condition)                                                                 \
    do {                                                                                      \
        if (!(condition)) {                                                                   \
            std::fprintf(stderr, "%s:%d: fuzz check failed: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                     \
        }                                                                                     \
    } while (0)

namespace korvel::fuzz {

// A directory of its own under $TMPDIR, else in memory (/dev/shm): on
// ext4 every rewrite of a truncated file waits for the disk, and the .rfc
// writer rewrites its file once per key. Removed at a normal exit.
class ScratchDirectory {
public:
    ScratchDirectory()
    {
        const char *base = std::getenv("TMPDIR");
        if (!base || !*base)
            base = std::filesystem::is_directory("/dev/shm") ? "/dev/shm" : "/tmp";
        std::string pattern = std::string(base) + "/korvel-fuzz-XXXXXX";
        if (!::mkdtemp(pattern.data())) {
            std::perror("mkdtemp");
            std::abort();
        }
        path_ = pattern;
    }
    ~ScratchDirectory()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    ScratchDirectory(const ScratchDirectory &) = delete;
    ScratchDirectory &operator=(const ScratchDirectory &) = delete;

    const std::string &path() const { return path_; }
    std::string file(const std::string &name) const { return path_ + "/" + name; }
    // Empties the directory (for a harness whose input names files).
    void clear() const
    {
        std::error_code ignored;
        for (const auto &entry : std::filesystem::directory_iterator(path_, ignored))
            std::filesystem::remove_all(entry.path(), ignored);
    }

private:
    std::string path_;
};

// The process's one scratch directory.
inline const ScratchDirectory &scratch()
{
    static const ScratchDirectory directory;
    return directory;
}

inline void writeFile(const std::string &path, const void *data, size_t size)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(static_cast<const char *>(data), static_cast<std::streamsize>(size));
    out.close();
    FUZZ_CHECK(out);
}

} // namespace korvel::fuzz
