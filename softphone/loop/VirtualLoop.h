#pragma once

#include "EventLoop.h"

#include <cstdint>
#include <deque>
#include <map>

namespace velmora::loop {

// An event loop on virtual time, for tests: time moves only when a handler
// waits (delay) or the test calls advance, so a ten-second wait runs in
// microseconds and everything happens in a fixed order.
class VirtualLoop : public EventLoop {
public:
    explicit VirtualLoop(std::uint32_t startTick = 0) : origin_(startTick) {}

    std::uint32_t tickCount() const override { return static_cast<std::uint32_t>(origin_ + now_); }
    TimerId startTimer(int intervalMs, std::function<void()> tick) override;
    void stopTimer(TimerId id) override;
    void post(std::function<void()> work) override;
    void delay(int ms) override { advance(ms); }

    // Moves virtual time forward by ms, running posted work and due timers in
    // time order (posted work first at each instant).
    void advance(std::int64_t ms);
    // Runs posted work (and work it posts) without moving time.
    void runPending();

    std::int64_t elapsed() const { return now_; }
    std::size_t activeTimers() const { return timers_.size(); }

private:
    struct Timer {
        std::int64_t interval;
        std::int64_t due;
        std::function<void()> tick;
    };

    std::uint32_t origin_;
    std::int64_t now_ = 0;
    TimerId nextId_ = 1;
    std::map<TimerId, Timer> timers_;
    std::deque<std::function<void()>> posted_;
};

}  // namespace velmora::loop
