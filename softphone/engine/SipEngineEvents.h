#pragma once

#include <string>

namespace velmora::engine {

// What the SIP engine tells the window. Every event arrives on the UI thread,
// one at a time, never from inside another engine operation (except while the
// program itself waits in msDelay). Lines count from 0.
class SipEngineEvents {
public:
    virtual ~SipEngineEvents() = default;

    virtual void OnDtmfDigit(int line, const std::string& digit) {}
    virtual void OnPlayWaveDone(int line) {}
    virtual void OnTryingToUnregister() {}
    virtual void OnUnregisterFailed() {}
    virtual void OnUnregistered() {}
    virtual void OnTryingToRegister() {}
    virtual void OnRegistered() {}
    virtual void OnConnectFailed(int line) {}
    virtual void OnConnecting(int line) {}
    // The call ended without DisconnectLine (far-end hang-up, media timeout).
    virtual void OnHungUp(int line) {}
    virtual void OnTransferAccepted(int line) {}
    virtual void OnProvisionalResponse(int line, long statusCode, const std::string& reason) {}
    // Final non-success responses by class: A 4xx, B 5xx, C 6xx, D any other.
    virtual void OnFailureResponseA(int line, long statusCode, const std::string& reason, const std::string& detail) {}
    virtual void OnFailureResponseB(int line, long statusCode, const std::string& reason) {}
    virtual void OnFailureResponseC(int line, long statusCode, const std::string& reason) {}
    virtual void OnFailureResponseD(int line, long statusCode, const std::string& reason) {}
    virtual void OnConnected(int line, const std::string& remoteText, const std::string& number) {}
    virtual void OnIncomingCall(const std::string& callId, const std::string& callerName,
                                const std::string& callerNumber, const std::string& callerUri,
                                const std::string& calledUri) {}
    virtual void OnTryingToReRegister() {}
    virtual void OnTransferFailed(int line, long statusCode, const std::string& reason) {}
    virtual void OnRegisterFailed(long statusCode, const std::string& reason) {}
    virtual void OnReRegisterFailed(long statusCode, const std::string& reason) {}
    virtual void OnChatContactStatus(const std::string& contact, long status) {}
    virtual void OnChatMessage(const std::string& sender, const std::string& message) {}
    // An offered call ended before the program accepted or rejected it: the
    // caller cancelled, or another device of the account answered it.
    virtual void OnIncomingCallEnded(const std::string& callId) {}
};

}  // namespace velmora::engine
