#pragma once

namespace velmora::core {

struct AppContext;

// Connects the window's controls and timers to the program's handlers.
void installHandlers(AppContext& app);

}  // namespace velmora::core
