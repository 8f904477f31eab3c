#pragma once

#include "engine/SipEngineEvents.h"

namespace velmora::core {

struct AppContext;

// The registration's progress in the status list and on the banner.
class RegistrationEvents : public engine::SipEngineEvents {
public:
    explicit RegistrationEvents(AppContext& app) : app_(app) {}

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

// Engine events that only leave a status line.
class StatusLineEvents : public engine::SipEngineEvents {
public:
    explicit StatusLineEvents(AppContext& app) : app_(app) {}

    void OnDtmfDigit(int line, const std::string& digit) override;
    void OnPlayWaveDone(int line) override;

private:
    AppContext& app_;
};

}  // namespace velmora::core
