#pragma once

#include "core/window/MainWindowModel.h"

class QWidget;

namespace velmora::ui {

// The call strip beside the dial field: a row a line with its state, the
// number and caller name, the talk time and the line's Mute, Hold, Transfer
// and Hang Up. Its controls are the model's Strip* controls; Transfer asks
// for the number (offering the transfer list) before it hands the call over.
QWidget* callStrip(core::MainWindowModel& m);

}  // namespace velmora::ui
