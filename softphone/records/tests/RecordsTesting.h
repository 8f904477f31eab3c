#pragma once

#include "core/CallRecordSink.h"
#include "loop/EventLoop.h"

#include <chrono>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

namespace velmora::records::testing {

// The UI thread's loop for a test without Qt: posts from any thread queue up
// and run when the test drains them.
class ManualLoop : public loop::EventLoop {
public:
    std::uint32_t tickCount() const override { return 0; }
    TimerId startTimer(int, std::function<void()>) override { return 0; }
    void stopTimer(TimerId) override {}
    void post(std::function<void()> work) override {
        std::lock_guard lock(mutex_);
        queue_.push_back(std::move(work));
    }
    void delay(int ms) override {
        runPosted();
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    }
    void runPosted() {
        for (;;) {
            std::function<void()> work;
            {
                std::lock_guard lock(mutex_);
                if (queue_.empty()) return;
                work = std::move(queue_.front());
                queue_.pop_front();
            }
            work();
        }
    }

private:
    std::mutex mutex_;
    std::deque<std::function<void()>> queue_;
};

// Waits (running posted work) until done() holds or a minute has passed.
inline bool waitUntil(ManualLoop& loop, const std::function<bool()>& done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(1);
    while (std::chrono::steady_clock::now() < deadline) {
        loop.runPosted();
        if (done()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    loop.runPosted();
    return done();
}

inline core::CallRecordRow sampleRow(const std::string& agent, int n) {
    core::CallRecordRow row;
    row.callId = "1765270800-" + std::to_string(n);
    row.agentLogin = agent;
    row.agentName = "Agent " + agent;
    row.account = "7730";
    row.machine = "desk-" + agent;
    row.line = n % 2;
    row.direction = n % 3 ? "out" : "in";
    row.number = "555123" + std::to_string(1000 + n);
    row.callerName = n % 3 ? "" : "Caller " + std::to_string(n);
    row.startUtc = 1765270800 + n * 60;  // 2025-12-09 09:00 UTC onwards
    row.answerUtc = n % 4 ? row.startUtc + 5 : 0;
    row.endUtc = row.startUtc + 5 + n;
    row.utcOffsetSeconds = 3600;
    row.seconds = n;
    row.outcome = n % 5 ? "hang up" : "Blind Transfer";
    return row;
}

}  // namespace velmora::records::testing
