#pragma once

#include "EventLoop.h"

#include <QElapsedTimer>
#include <QObject>

#include <map>

class QTimer;

namespace velmora::loop {

// The event loop of the running Qt application (QTimer, queued calls, and a
// nested QEventLoop for waits).
class QtLoop : public EventLoop {
public:
    QtLoop();
    ~QtLoop() override;

    std::uint32_t tickCount() const override;
    TimerId startTimer(int intervalMs, std::function<void()> tick) override;
    void stopTimer(TimerId id) override;
    void post(std::function<void()> work) override;
    void delay(int ms) override;

private:
    QObject context_;  // owns the timers; queued work dies with the loop
    QElapsedTimer clock_;
    TimerId nextId_ = 1;
    std::map<TimerId, QTimer*> timers_;
};

}  // namespace velmora::loop
