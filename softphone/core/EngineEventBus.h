#pragma once

#include "engine/SipEngineEvents.h"

#include <memory>
#include <vector>

namespace velmora::core {

// The one sink the engine talks to: hands every event to each subsystem's sink
// in the order they were added. A sink overrides only the events it reacts to.
class EngineEventBus final : public engine::SipEngineEvents {
public:
    void add(std::unique_ptr<engine::SipEngineEvents> sink) { sinks_.push_back(std::move(sink)); }

    void OnDtmfDigit(int line, const std::string& digit) override { fan(&SipEngineEvents::OnDtmfDigit, line, digit); }
    void OnPlayWaveDone(int line) override { fan(&SipEngineEvents::OnPlayWaveDone, line); }
    void OnTryingToUnregister() override { fan(&SipEngineEvents::OnTryingToUnregister); }
    void OnUnregisterFailed() override { fan(&SipEngineEvents::OnUnregisterFailed); }
    void OnUnregistered() override { fan(&SipEngineEvents::OnUnregistered); }
    void OnTryingToRegister() override { fan(&SipEngineEvents::OnTryingToRegister); }
    void OnRegistered() override { fan(&SipEngineEvents::OnRegistered); }
    void OnConnectFailed(int line) override { fan(&SipEngineEvents::OnConnectFailed, line); }
    void OnConnecting(int line) override { fan(&SipEngineEvents::OnConnecting, line); }
    void OnHungUp(int line) override { fan(&SipEngineEvents::OnHungUp, line); }
    void OnTransferAccepted(int line) override { fan(&SipEngineEvents::OnTransferAccepted, line); }
    void OnProvisionalResponse(int line, long code, const std::string& reason) override {
        fan(&SipEngineEvents::OnProvisionalResponse, line, code, reason);
    }
    void OnFailureResponseA(int line, long code, const std::string& reason, const std::string& detail) override {
        fan(&SipEngineEvents::OnFailureResponseA, line, code, reason, detail);
    }
    void OnFailureResponseB(int line, long code, const std::string& reason) override {
        fan(&SipEngineEvents::OnFailureResponseB, line, code, reason);
    }
    void OnFailureResponseC(int line, long code, const std::string& reason) override {
        fan(&SipEngineEvents::OnFailureResponseC, line, code, reason);
    }
    void OnFailureResponseD(int line, long code, const std::string& reason) override {
        fan(&SipEngineEvents::OnFailureResponseD, line, code, reason);
    }
    void OnConnected(int line, const std::string& remoteText, const std::string& number) override {
        fan(&SipEngineEvents::OnConnected, line, remoteText, number);
    }
    void OnIncomingCall(const std::string& callId, const std::string& callerName, const std::string& callerNumber,
                        const std::string& callerUri, const std::string& calledUri) override {
        fan(&SipEngineEvents::OnIncomingCall, callId, callerName, callerNumber, callerUri, calledUri);
    }
    void OnTryingToReRegister() override { fan(&SipEngineEvents::OnTryingToReRegister); }
    void OnTransferFailed(int line, long code, const std::string& reason) override {
        fan(&SipEngineEvents::OnTransferFailed, line, code, reason);
    }
    void OnRegisterFailed(long code, const std::string& reason) override {
        fan(&SipEngineEvents::OnRegisterFailed, code, reason);
    }
    void OnReRegisterFailed(long code, const std::string& reason) override {
        fan(&SipEngineEvents::OnReRegisterFailed, code, reason);
    }
    void OnChatContactStatus(const std::string& contact, long status) override {
        fan(&SipEngineEvents::OnChatContactStatus, contact, status);
    }
    void OnChatMessage(const std::string& sender, const std::string& message) override {
        fan(&SipEngineEvents::OnChatMessage, sender, message);
    }
    void OnIncomingCallEnded(const std::string& callId) override { fan(&SipEngineEvents::OnIncomingCallEnded, callId); }

private:
    // Arguments are taken by value: a sink may wait in msDelay while the engine
    // delivers further events, so nothing may point into the engine's storage.
    template <typename... Params, typename... Args>
    void fan(void (SipEngineEvents::*event)(Params...), Args... args) {
        for (std::size_t i = 0; i < sinks_.size(); ++i) (sinks_[i].get()->*event)(args...);
    }

    std::vector<std::unique_ptr<engine::SipEngineEvents>> sinks_;
};

}  // namespace velmora::core
