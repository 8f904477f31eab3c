#pragma once

#include "engine/SipEngineEvents.h"

namespace velmora::core {

struct AppContext;

// Hands each engine event to the handler that owns it.
class EngineEventRouter : public engine::SipEngineEvents {
public:
    explicit EngineEventRouter(AppContext& app) : app_(app) {}

    void OnDtmfDigit(int line, const std::string& digit) override;
    void OnPlayWaveDone(int line) override;
    void OnTryingToRegister() override;
    void OnRegistered() override;
    void OnRegisterFailed(long statusCode, const std::string& reason) override;
    void OnTryingToReRegister() override;
    void OnReRegisterFailed(long statusCode, const std::string& reason) override;
    void OnTryingToUnregister() override;
    void OnUnregistered() override;
    void OnUnregisterFailed() override;
    void OnConnecting(int line) override;
    void OnProvisionalResponse(int line, long statusCode, const std::string& reason) override;
    void OnFailureResponseA(int line, long statusCode, const std::string& reason,
                            const std::string& detail) override;
    void OnFailureResponseB(int line, long statusCode, const std::string& reason) override;
    void OnFailureResponseC(int line, long statusCode, const std::string& reason) override;
    void OnFailureResponseD(int line, long statusCode, const std::string& reason) override;
    void OnConnectFailed(int line) override;
    void OnConnected(int line, const std::string& remoteText, const std::string& number) override;
    void OnHungUp(int line) override;

private:
    // A final non-success response: ring-back off, then the status line (which
    // the failure-phrase check reads).
    void finalFailure(const std::string& statusLine);

    AppContext& app_;
};

}  // namespace velmora::core
