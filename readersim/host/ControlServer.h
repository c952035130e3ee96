// The listening side of `readersim ctl`: a Unix socket served by one
// thread, one connection at a time. Each connection sends one command line
// and gets the handler's answer, then the server closes it. All commands
// therefore run one after another on the server's thread.
#pragma once

#include "UniqueFd.h"

#include <functional>
#include <string>
#include <thread>

namespace readersim {

class ControlServer {
public:
    // Answers a command line (without its newline) with "ok ..." or
    // "error: ...", possibly followed by more lines.
    using Handler = std::function<std::string(const std::string &command)>;

    // Listens on `path` (replacing a stale socket there). Throws
    // std::runtime_error.
    ControlServer(std::string path, Handler handler);
    ~ControlServer(); // stops the thread, then removes the socket
    ControlServer(const ControlServer &) = delete;
    ControlServer &operator=(const ControlServer &) = delete;

    const std::string &path() const { return path_; }

private:
    void serve();
    void answer(int connection);

    std::string path_;
    Handler handler_;
    TUniqueFd listener_;
    TUniqueFd stop_; // eventfd: wakes serve() to end
    std::thread thread_;
};

} // namespace readersim
