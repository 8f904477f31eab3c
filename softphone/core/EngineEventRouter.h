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

private:
    AppContext& app_;
};

}  // namespace velmora::core
