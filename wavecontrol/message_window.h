// The control's hidden message window: a QObject on the control's thread that receives the
// messages device callbacks post, and owns the level and silence timers.
#pragma once
#include <QEvent>
#include <QObject>
#include <QTimer>

namespace tonwell {

class Tonwell;
struct WaveHeader;

// Message numbers of the hidden window (user message base 1024 + 101 ...).
constexpr int kMsgPlayBufferDone = 1125;
constexpr int kMsgRecordBufferDone = 1126;
constexpr int kMsgConversionDone = 1127;
constexpr int kMsgConversionFailed = 1128;

class WindowMessage : public QEvent {
public:
    WindowMessage(int message, std::uintptr_t wParam, void* lParam)
        : QEvent(static_cast<QEvent::Type>(message)), wParam(wParam), lParam(lParam) {}
    const std::uintptr_t wParam;
    void* const lParam;
};

class MessageWindow : public QObject {
    Q_OBJECT
public:
    explicit MessageWindow(Tonwell& owner);

    // Thread-safe: queues a message for the control's thread (PostMessage).
    void post(int message, std::uintptr_t wParam, void* lParam);

    // The owner is going away: stop the timers and swallow whatever is still queued.
    void detach();
    // Whether a message or timer is being handled right now (the owner may be destroyed from an
    // event handler it fired; the window must then be deleted later, not under its own feet).
    bool dispatching() const { return depth_ > 0; }

    QTimer levelTimer;    // timer 1
    QTimer silenceTimer;  // timer 2

protected:
    bool event(QEvent* e) override;

private:
    Tonwell* owner_;
    int depth_ = 0;
};

}  // namespace tonwell
