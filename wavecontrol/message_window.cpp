#include "message_window.h"

#include "tonwell.h"

#include <QCoreApplication>

namespace tonwell {

MessageWindow::MessageWindow(Tonwell& owner) : owner_(&owner) {
    setObjectName(QStringLiteral("TonwellAtlWindow"));
    levelTimer.setInterval(100);
    levelTimer.setTimerType(Qt::PreciseTimer);
    connect(&levelTimer, &QTimer::timeout, this, [this] {
        if (owner_) {
            ++depth_;
            owner_->onLevelTick();
            --depth_;
        }
    });
    connect(&silenceTimer, &QTimer::timeout, this, [this] {
        if (owner_) {
            ++depth_;
            owner_->onSilenceTick();
            --depth_;
        }
    });
}

void MessageWindow::detach() {
    owner_ = nullptr;
    levelTimer.stop();
    silenceTimer.stop();
}

void MessageWindow::post(int message, std::uintptr_t wParam, void* lParam) {
    QCoreApplication::postEvent(this, new WindowMessage(message, wParam, lParam));
}

bool MessageWindow::event(QEvent* e) {
    switch (static_cast<int>(e->type())) {
    case kMsgPlayBufferDone:
        if (owner_) {
            ++depth_;
            owner_->onPlayBufferDone(static_cast<WaveHeader*>(static_cast<WindowMessage*>(e)->lParam));
            --depth_;
        }
        return true;
    case kMsgRecordBufferDone:
        if (owner_) {
            auto* m = static_cast<WindowMessage*>(e);
            ++depth_;
            owner_->onRecordBufferDone(m->wParam, static_cast<WaveHeader*>(m->lParam));
            --depth_;
        }
        return true;
    case kMsgConversionDone:
    case kMsgConversionFailed:
        if (owner_) {
            const auto* m = static_cast<WindowMessage*>(e);
            ++depth_;
            owner_->onConversionDone(static_cast<int>(e->type()) == kMsgConversionDone ? 99
                                                                                       : static_cast<int>(m->wParam));
            --depth_;
        }
        return true;
    default: return QObject::event(e);
    }
}

}  // namespace tonwell
