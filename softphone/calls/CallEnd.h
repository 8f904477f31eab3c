#pragma once

#include <filesystem>
#include <string>

namespace velmora::core {
struct AppContext;
}

namespace velmora::calls {

// Hang Up (BtnHangUp, the clipboard dialler, the failure-phrase check): ends
// the call on the line of ComboDial and logs it as "hang up".
void hangUp(core::AppContext& app);

// OnHungUp: the far end ended the call; logged with an empty outcome.
void farEndHangUp(core::AppContext& app, int line);

// One call-log record: number, agent, callsec, time, date, outcome.
void writeCallRecord(core::AppContext& app, const std::string& number, const std::string& outcome);

// logs/<display name>_calllogs.csv
std::filesystem::path agentCallLog(const core::AppContext& app);

// The call-end recording step: saves the call's recording when recordAll is
// "True" or RecThisCallCheck asks for it (once), then waits 500 ms.
void callEndRecording(core::AppContext& app);

}  // namespace velmora::calls
