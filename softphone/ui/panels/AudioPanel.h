#pragma once

class QWidget;

namespace velmora::core {
struct MainWindowModel;
}

namespace velmora::ui {

// The audio page: global and per-line mute, gain control, do not disturb, the
// ring sound, the clock and the TAPI bridge's button.
QWidget* buildAudioPanel(core::MainWindowModel& m);

}  // namespace velmora::ui
