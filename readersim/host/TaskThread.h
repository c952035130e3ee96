// A thread that runs posted jobs one after another. The bus uses it for
// work that must not run where it is requested, such as unplugging the
// reader from inside one of its own ioctl handlers.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace readersim {

class TaskThread {
public:
    TaskThread();
    ~TaskThread(); // stop()
    TaskThread(const TaskThread &) = delete;
    TaskThread &operator=(const TaskThread &) = delete;

    // Thread-safe. Jobs posted after stop() are dropped.
    void post(std::function<void()> job);
    // Waits for the running job, drops the pending ones and ends the
    // thread. Not from inside a job.
    void stop();

private:
    void run();

    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::function<void()>> jobs_;
    bool stopping_ = false;
    std::thread thread_;
};

} // namespace readersim
