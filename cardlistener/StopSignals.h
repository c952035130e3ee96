// SIGINT and SIGTERM turned into a readable descriptor, so that a program
// blocked in CardListener::next() returns and its destructors (the grab's
// among them) run, instead of dying with the device held. One at a time per
// process: a signal handler can reach only process-wide state.
#pragma once

#include "UniqueFd.h"

#include <csignal>

namespace cardlistener {

class StopSignals {
public:
    StopSignals();  // throws std::runtime_error when the handlers cannot be set
    ~StopSignals(); // the previous handlers again
    StopSignals(const StopSignals &) = delete;
    StopSignals &operator=(const StopSignals &) = delete;

    int fd() const { return read_.get(); } // readable once a signal came
    int signal() const;                    // the last one that came, 0 for none

private:
    TUniqueFd read_;
    TUniqueFd write_;
    struct sigaction previousInt_ {};
    struct sigaction previousTerm_ {};
};

} // namespace cardlistener
