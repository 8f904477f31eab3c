#pragma once

namespace velmora::core {

struct AppContext;

// The toggle's state is its caption: "Offline" while online.
bool isOnline(const AppContext& app);

// Going offline: timers and meters stop, the engine shuts down, the lists empty.
void goOffline(AppContext& app);

}  // namespace velmora::core
