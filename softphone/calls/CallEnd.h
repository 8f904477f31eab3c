#pragma once

#include "core/CallBook.h"

#include <cstdint>
#include <filesystem>
#include <string>

namespace velmora::core {
struct AppContext;
}

namespace velmora::calls {

// Hang Up (BtnHangUp, the clipboard dialler): ends the call on the line of
// ComboDial and logs it as "hang up".
void hangUp(core::AppContext& app);

// Hang Up of one call, whatever line ComboDial shows by now (the failed-call
// check after its wait, the program's end). A call that ended meanwhile is left.
void hangUpCall(core::AppContext& app, std::uint64_t serial);

// OnHungUp: the far end ended the call (or took it over in a transfer).
void farEndHangUp(core::AppContext& app, int line);

// The far end refused the call: its end without the agent's Hang Up, leaving
// the status list, which says why, as it is.
void endFailedCall(core::AppContext& app, std::uint64_t serial);

// A call-log record of the call: number, agent, seconds, time, date, outcome;
// also handed to the record store when there is one.
void writeCallRecord(core::AppContext& app, core::Call& call, const std::string& number, const std::string& outcome);
// The same with the seconds given (a supervised transfer logs the counter's).
void writeCallRecord(core::AppContext& app, core::Call& call, const std::string& number, const std::string& outcome,
                     const std::string& seconds);

// logs/<display name>_calllogs.csv
std::filesystem::path agentCallLog(const core::AppContext& app);

// The call-end recording step: saves the call's recording when recordAll is
// "True" or RecThisCallCheck asks for it (once), then waits 500 ms. At the
// call's real end (not a hold), audio that was recorded and not saved is kept
// as the call's own unsaved recording.
void callEndRecording(core::AppContext& app, std::uint64_t serial, bool callOver);

// Seconds of the call as its record says them: callsec for the call the
// counter counts, else the time since it was placed.
std::string callSeconds(core::AppContext& app, const core::Call& call);

}  // namespace velmora::calls
