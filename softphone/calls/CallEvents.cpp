#include "CallEvents.h"

#include "CallEnd.h"
#include "RingBack.h"

#include "core/AppContext.h"
#include "core/DateStamps.h"
#include "core/StatusLog.h"

namespace velmora::calls {

using core::lineStatus;
using core::ShowStatus;

void CallEvents::OnConnecting(int line) { ShowStatus(app_, lineStatus(line, "Connecting.")); }

void CallEvents::OnProvisionalResponse(int line, long statusCode, const std::string& reason) {
    if (statusCode == 180) startRingBack(app_);
    if (statusCode == 183) stopRingBack(app_);
    ShowStatus(app_, reason);
}

void CallEvents::OnFailureResponseA(int line, long, const std::string& reason, const std::string&) {
    finalFailure(line, reason);
}

void CallEvents::OnFailureResponseB(int line, long, const std::string& reason) { finalFailure(line, reason); }

void CallEvents::OnFailureResponseC(int line, long, const std::string& reason) { finalFailure(line, reason); }

void CallEvents::OnFailureResponseD(int line, long, const std::string& reason) {
    finalFailure(line, "Line-" + std::to_string(line + 1) + " Response: " + reason);
}

// The status line may run the failed-call check, which shows its banner,
// waits and hangs this call up; any other refusal ends the call at once,
// leaving the status list to say why.
void CallEvents::finalFailure(int line, const std::string& statusLine) {
    auto& calls = app_.state.calls;
    core::Call* call = calls.onLine(line);
    const std::uint64_t serial = call ? call->serial : 0;
    if (call) call->state = core::CallState::Failed;
    stopRingBack(app_);
    const std::uint64_t before = calls.failing;
    calls.failing = serial;
    ShowStatus(app_, statusLine);
    calls.failing = before;
    if (serial) endFailedCall(app_, serial);
}

void CallEvents::OnConnectFailed(int line) { finalFailure(line, lineStatus(line, "Fail to connect.")); }

// The volumes and the recording box follow in the media subsystem's reactions.
void CallEvents::OnConnected(int line, const std::string&, const std::string&) {
    if (core::Call* call = app_.state.calls.onLine(line); call && call->state == core::CallState::Dialling) {
        call->state = core::CallState::Connected;
        call->answered = core::epochOf(app_.platform.localTime());
    }
    stopRingBack(app_);
    ShowStatus(app_, lineStatus(line, "Success to connect."));
}

void CallEvents::OnHungUp(int line) { farEndHangUp(app_, line); }

}  // namespace velmora::calls
