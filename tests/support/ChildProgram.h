// A program a test runs as a child process, with the test's environment
// (the virtual bus's among it): its output read line by line or to the
// end, its exit status, signals. Every wait has a deadline (generous: the
// machines are shared and slow at times); past it the test fails and the
// child is killed, so a program that hangs cannot hang the test.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace korvel::testing {

class ChildProgram {
public:
    // Starts argv[0] (a path) with these arguments. Its standard error is
    // merged into the output read here, or else thrown away.
    explicit ChildProgram(std::vector<std::string> argv, bool withErrors = false);
    ~ChildProgram(); // kills the child if it still runs
    ChildProgram(const ChildProgram &) = delete;
    ChildProgram &operator=(const ChildProgram &) = delete;

    // The next line of output without its newline; nullopt at the end of
    // the output or at the deadline.
    std::optional<std::string> line();
    // All output still to come, up to its end.
    std::string rest();
    // Waits for the end: the exit status, 128 + the signal that ended it,
    // or -1 at the deadline.
    int status();
    void signal(int number);

private:
    // Adds what comes before `end` to the buffer; false at the end of the
    // output or at `end`.
    bool readMore(std::chrono::steady_clock::time_point end);

    pid_t pid_ = -1;
    int out_ = -1;
    std::optional<int> status_;
    std::string buffer_;
};

struct Outcome {
    int status;
    std::string out;
};

// Runs a program to its end.
Outcome RunProgram(std::vector<std::string> argv, bool withErrors = false);

} // namespace korvel::testing
