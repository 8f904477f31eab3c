#pragma once

#include "core/window/MainWindowModel.h"

class QTabWidget;

namespace velmora::ui {

// The "Messages" page (wave-play frame, recorded messages with PAM and LIS,
// voice-mail and greetings, a direct call of the transfer number) and the
// "Agents" page (agent list, monitor list with its Velmora box, monitor
// recording box and Hang Up), added to the window's pages.
void addMediaPages(QTabWidget* pages, core::MainWindowModel& m);

}  // namespace velmora::ui
