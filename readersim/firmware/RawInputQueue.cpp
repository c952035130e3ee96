#include "RawInputQueue.h"

#include <algorithm>

namespace readersim {
namespace {

// The queues whose turn this thread holds: a sink that sends again runs
// under that turn already and must not wait for it.
thread_local std::vector<const RawInputQueue *> turnsHeld;

} // namespace

RawInputQueue::Turn::Turn(RawInputQueue &queue)
    : queue_(queue), nested_(std::find(turnsHeld.begin(), turnsHeld.end(), &queue) != turnsHeld.end())
{
    if (!nested_) {
        lock_ = std::unique_lock(queue.mutex_);
        turnsHeld.push_back(&queue);
    }
}

RawInputQueue::Turn::~Turn()
{
    if (nested_)
        return;
    queue_.queued_.clear(); // left over only when a sink threw
    turnsHeld.erase(std::find(turnsHeld.begin(), turnsHeld.end(), &queue_));
}

void RawInputQueue::send(const Turn &turn, const RawReport &report)
{
    if (turn.nested())
        queued_.push_back(report); // the running sink call ends first
    else
        deliver(report);
}

void RawInputQueue::deliver(const RawReport &report)
{
    const auto deliverOne = [this](const RawReport &r) {
        // A copy: the sink may replace itself while it runs.
        if (const Sink sink = route_())
            sink(r);
    };
    deliverOne(report);
    for (size_t i = 0; i < queued_.size(); ++i) {
        const RawReport next = queued_[i]; // the sink may queue more, moving the vector
        deliverOne(next);
    }
    queued_.clear();
}

} // namespace readersim
