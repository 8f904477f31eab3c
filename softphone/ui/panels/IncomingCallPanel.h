#pragma once

class QWidget;

namespace velmora::core {
struct MainWindowModel;
}

namespace velmora::ui {

// The strip under the dialling row: incoming-call caption, do-not-disturb,
// ringtone, the new-chat-message indicator and the missed-call counter, above the incoming-call panel
// (InBoundFrm); the missed-calls window opens from the counter.
QWidget* incomingCallPanel(core::MainWindowModel& m);

}  // namespace velmora::ui
