#include "QtLoop.h"

#include <QEventLoop>
#include <QTimer>

namespace velmora::loop {

QtLoop::QtLoop() { clock_.start(); }

QtLoop::~QtLoop() {
    for (auto& [id, timer] : timers_) delete timer;
}

std::uint32_t QtLoop::tickCount() const { return static_cast<std::uint32_t>(clock_.elapsed()); }

EventLoop::TimerId QtLoop::startTimer(int intervalMs, std::function<void()> tick) {
    auto* timer = new QTimer(&context_);
    timer->setTimerType(Qt::PreciseTimer);
    timer->setInterval(intervalMs);
    QObject::connect(timer, &QTimer::timeout, &context_, std::move(tick));
    timer->start();
    const TimerId id = nextId_++;
    timers_[id] = timer;
    return id;
}

void QtLoop::stopTimer(TimerId id) {
    auto it = timers_.find(id);
    if (it == timers_.end()) return;
    it->second->stop();
    it->second->deleteLater();  // the timer may be stopping itself from its own tick
    timers_.erase(it);
}

void QtLoop::post(std::function<void()> work) {
    QMetaObject::invokeMethod(&context_, std::move(work), Qt::QueuedConnection);
}

void QtLoop::delay(int ms) {
    // A nested loop keeps windows, timers and engine events alive during the
    // wait; the timer's own clock makes it indifferent to tick wrap-around.
    QEventLoop wait;
    QTimer::singleShot(std::max(0, ms), Qt::PreciseTimer, &wait, &QEventLoop::quit);
    wait.exec(QEventLoop::AllEvents);
}

}  // namespace velmora::loop
