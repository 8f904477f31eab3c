#pragma once

#include <optional>
#include <string>

namespace velmora::core {

struct AppContext;

// The fixed text shown for an engine error code, or nullopt for codes that
// show nothing.
std::optional<std::string> engineErrorMessage(long code);

// After a refused engine operation: asks the engine why and shows the code's
// message, with the window moved 1000 twips from the top of the screen first
// (not for 23 and 24); 30 in a critical box kept on top.
void ReportEngineError(AppContext& app);

// The window moved so its top edge is 1000 twips below the top of the screen,
// as before every message of going online and of the error reporter.
void moveWindowForMessage(AppContext& app);

}  // namespace velmora::core
