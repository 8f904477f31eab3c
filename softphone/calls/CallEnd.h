#pragma once

#include <filesystem>

namespace velmora::core {
struct AppContext;
}

namespace velmora::calls {

// Hang Up (BtnHangUp, the clipboard dialler, the failure-phrase check): ends
// the call on the line of ComboDial and logs it as "hang up".
void hangUp(core::AppContext& app);

// OnHungUp: the far end ended the call; logged with an empty outcome.
void farEndHangUp(core::AppContext& app, int line);

// logs/<display name>_calllogs.csv
std::filesystem::path agentCallLog(const core::AppContext& app);

// Saving the call's recording at call end; waits 500 ms.
void callEndRecording(core::AppContext& app);

}  // namespace velmora::calls
