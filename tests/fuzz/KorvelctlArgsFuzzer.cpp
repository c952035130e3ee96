// korvelctl's command line: the input is its arguments, one a line, run
// through the program's own entry (korvelctl::Main) against a virtual reader
// in this process. File names reach only a scratch directory: the program
// runs there, and inputs with an argument holding '/' are skipped, and so
// are the commands the command table marks as waiting on the machine's own
// devices (watch waits for the reader's keyboard device, with --follow for
// ever). The directory holds a valid "reader.rfc" to load. What must hold:
// no crash, no hang, no undefined behaviour, and an exit status the shell
// can tell apart.
#include "CommandLine.h"
#include "FuzzSupport.h"
#include "ReaderOverFirmware.h"
#include "UniqueFd.h"

#include <fcntl.h>
#include <unistd.h>

#include <string_view>
#include <vector>

using korvel::fuzz::scratch;

namespace {

constexpr size_t MaxArguments = 8;

const char SampleFile[] = "[Before]\r\nModifier=2\r\nReserved=0\r\nKey1=4\r\n[CardCode]\r\nConfByte=43\r\n"
                          "[After]\r\nKey1=40\r\n[Remove]\r\nKey6=255\r\n";

// Runs the program in another directory and returns to this one.
class InDirectory {
public:
    explicit InDirectory(const std::string &path) : previous_(::open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC))
    {
        FUZZ_CHECK(previous_ && ::chdir(path.c_str()) == 0);
    }
    ~InDirectory() { FUZZ_CHECK(::fchdir(previous_.get()) == 0); }
    InDirectory(const InDirectory &) = delete;
    InDirectory &operator=(const InDirectory &) = delete;

private:
    TUniqueFd previous_;
};

// The program's output goes nowhere while it runs (glibc's stdout and
// stderr are plain variables; libFuzzer and the sanitizers keep theirs).
class Quiet {
public:
    Quiet() : out_(stdout), err_(stderr)
    {
        static std::FILE *const null = std::fopen("/dev/null", "w");
        FUZZ_CHECK(null);
        stdout = null;
        stderr = null;
    }
    ~Quiet()
    {
        stdout = out_;
        stderr = err_;
    }
    Quiet(const Quiet &) = delete;
    Quiet &operator=(const Quiet &) = delete;

private:
    std::FILE *out_;
    std::FILE *err_;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    std::string_view input(reinterpret_cast<const char *>(data), size);
    std::vector<std::string> arguments;
    while (!input.empty() && arguments.size() < MaxArguments) {
        const size_t end = std::min(input.find('\n'), input.size());
        arguments.emplace_back(input.substr(0, end));
        if (arguments.back().find('/') != std::string::npos)
            return -1; // not added to the corpus
        input.remove_prefix(std::min(end + 1, input.size()));
    }
    const korvelctl::CommandLine line = korvelctl::ParseCommandLine(arguments);
    if (line.action == korvelctl::CommandLine::Action::Run && line.invocation.command->waitsForDevices)
        return -1; // waits on the machine's own devices

    scratch().clear();
    korvel::fuzz::writeFile(scratch().file("reader.rfc"), SampleFile, sizeof SampleFile - 1);
    korvel::fuzz::ReaderOverFirmware reader;
    int status;
    {
        const InDirectory inScratch(scratch().path());
        const Quiet quiet;
        status = korvelctl::Main(arguments);
    }
    FUZZ_CHECK(status >= 0 && status <= 125);
    return 0;
}
