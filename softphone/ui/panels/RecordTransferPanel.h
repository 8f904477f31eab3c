#pragma once

class QWidget;

namespace velmora::core {
struct MainWindowModel;
}

namespace velmora::ui {

// The call recording frame and the transfer frame (hold, transfer, consult,
// three-way, forwarding), bound to the window model.
QWidget* recordTransferPanel(core::MainWindowModel& m);

}  // namespace velmora::ui
