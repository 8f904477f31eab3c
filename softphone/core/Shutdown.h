#pragma once

namespace velmora::core {

struct AppContext;

// Ending the program (exitcmd or the window closing): ring-back off, offline,
// one second for the unregistration to go out, engine down, process ends.
// Going online is never part of it, whatever the toggle's state.
void shutdownProgram(AppContext& app);

}  // namespace velmora::core
