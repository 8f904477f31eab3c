#pragma once

#include "engine/SipEngineEvents.h"

namespace velmora::core {
struct AppContext;
}

namespace velmora::calls {

// A placed call's progress: ring-back tone, status lines, far-end hang-up.
class CallEvents : public engine::SipEngineEvents {
public:
    explicit CallEvents(core::AppContext& app) : app_(app) {}

    void OnConnecting(int line) override;
    void OnProvisionalResponse(int line, long statusCode, const std::string& reason) override;
    void OnFailureResponseA(int line, long statusCode, const std::string& reason, const std::string& detail) override;
    void OnFailureResponseB(int line, long statusCode, const std::string& reason) override;
    void OnFailureResponseC(int line, long statusCode, const std::string& reason) override;
    void OnFailureResponseD(int line, long statusCode, const std::string& reason) override;
    void OnConnectFailed(int line) override;
    void OnConnected(int line, const std::string& remoteText, const std::string& number) override;
    void OnHungUp(int line) override;

private:
    // A final non-success response: ring-back off, the status line (which the
    // failure-phrase check reads), and the call's one end.
    void finalFailure(int line, const std::string& statusLine);

    core::AppContext& app_;
};

}  // namespace velmora::calls
