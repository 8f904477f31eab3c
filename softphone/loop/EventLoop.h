#pragma once

#include <cstdint>
#include <functional>

namespace velmora::loop {

// The UI thread's event loop, as the handlers see it: a millisecond tick
// counter, repeating timers, posted work, and waits that keep the loop running.
class EventLoop {
public:
    using TimerId = int;

    virtual ~EventLoop() = default;

    // Milliseconds since an arbitrary origin; wraps around at 2^32.
    virtual std::uint32_t tickCount() const = 0;

    // Runs tick every intervalMs until stopTimer. Ticks are delivered by the
    // loop, never from inside startTimer.
    virtual TimerId startTimer(int intervalMs, std::function<void()> tick) = 0;
    virtual void stopTimer(TimerId id) = 0;

    // Runs work later on the loop's thread, in posting order.
    virtual void post(std::function<void()> work) = 0;

    // Returns after at least ms milliseconds; queued work, timer ticks and
    // engine events run in the meantime, so callers may be re-entered.
    virtual void delay(int ms) = 0;
};

// Waits at least ms milliseconds while letting queued work run.
inline void msDelay(EventLoop& loop, int ms) { loop.delay(ms); }

}  // namespace velmora::loop
