#pragma once

class QWidget;

namespace velmora::core {
struct MainWindowModel;
}

namespace velmora::ui {

// The chat page: the IM switch and the chat screen
// (Frame2) with its users, contacts, own status and conversation.
QWidget* chatPanel(core::MainWindowModel& m);

}  // namespace velmora::ui
