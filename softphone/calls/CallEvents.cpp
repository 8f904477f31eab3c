#include "CallEvents.h"

#include "CallEnd.h"
#include "RingBack.h"

#include "core/AppContext.h"
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

void CallEvents::OnFailureResponseA(int, long, const std::string& reason, const std::string&) { finalFailure(reason); }

void CallEvents::OnFailureResponseB(int, long, const std::string& reason) { finalFailure(reason); }

void CallEvents::OnFailureResponseC(int, long, const std::string& reason) { finalFailure(reason); }

void CallEvents::OnFailureResponseD(int line, long, const std::string& reason) {
    finalFailure("Line-" + std::to_string(line + 1) + " Response: " + reason);
}

void CallEvents::finalFailure(const std::string& statusLine) {
    stopRingBack(app_);
    ShowStatus(app_, statusLine);
}

void CallEvents::OnConnectFailed(int line) {
    stopRingBack(app_);
    ShowStatus(app_, lineStatus(line, "Fail to connect."));
}

// The volumes and the recording box follow in the media subsystem's reactions.
void CallEvents::OnConnected(int line, const std::string&, const std::string&) {
    stopRingBack(app_);
    ShowStatus(app_, lineStatus(line, "Success to connect."));
}

void CallEvents::OnHungUp(int line) { farEndHangUp(app_, line); }

}  // namespace velmora::calls
