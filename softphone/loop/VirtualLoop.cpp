#include "VirtualLoop.h"

#include <algorithm>

namespace velmora::loop {

EventLoop::TimerId VirtualLoop::startTimer(int intervalMs, std::function<void()> tick) {
    const std::int64_t interval = std::max(1, intervalMs);
    const TimerId id = nextId_++;
    timers_[id] = Timer{interval, now_ + interval, std::move(tick)};
    return id;
}

void VirtualLoop::stopTimer(TimerId id) { timers_.erase(id); }

void VirtualLoop::post(std::function<void()> work) { posted_.push_back(std::move(work)); }

void VirtualLoop::runPending() {
    while (!posted_.empty()) {
        auto work = std::move(posted_.front());
        posted_.pop_front();
        work();
    }
}

void VirtualLoop::advance(std::int64_t ms) {
    const std::int64_t target = now_ + std::max<std::int64_t>(0, ms);
    for (;;) {
        runPending();
        // The earliest due timer at or before the target; ties by creation order.
        auto next = timers_.end();
        for (auto it = timers_.begin(); it != timers_.end(); ++it)
            if (it->second.due <= target && (next == timers_.end() || it->second.due < next->second.due)) next = it;
        if (next == timers_.end()) break;
        now_ = std::max(now_, next->second.due);
        next->second.due = now_ + next->second.interval;
        auto tick = next->second.tick;  // the tick may stop or restart its own timer
        tick();
    }
    now_ = std::max(now_, target);
    runPending();
}

}  // namespace velmora::loop
