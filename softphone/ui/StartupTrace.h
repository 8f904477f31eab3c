#pragma once

#include "core/window/MainWindowModel.h"

namespace velmora::ui {

// Milestones of start-up (window shown, web panel, online, registered) with the
// milliseconds since the process started, on the logging category
// velmora.startup (off unless QT_LOGGING_RULES="velmora.startup.debug=true").
void traceStartup(const char* milestone);
void watchStartup(core::MainWindowModel& model);

}  // namespace velmora::ui
