#pragma once

#include "engine/SipEngineEvents.h"

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

namespace velmora::engine::testing {

// Records every engine event as one text, "OnConnected(0,Ann,1001)", in
// arrival order.
class EventLog : public SipEngineEvents {
public:
    std::vector<std::string> events;

    // Events whose text starts with prefix ("OnHungUp(0").
    std::size_t count(const std::string& prefix) const {
        return std::count_if(events.begin(), events.end(),
                             [&](const std::string& e) { return e.rfind(prefix, 0) == 0; });
    }
    bool has(const std::string& prefix) const { return count(prefix) > 0; }
    std::string first(const std::string& prefix) const {
        for (const auto& e : events)
            if (e.rfind(prefix, 0) == 0) return e;
        return {};
    }
    std::string text() const {
        std::string all;
        for (const auto& e : events) all += e + "\n";
        return all;
    }

    void OnDtmfDigit(int line, const std::string& digit) override { add("OnDtmfDigit", line, digit); }
    void OnPlayWaveDone(int line) override { add("OnPlayWaveDone", line); }
    void OnTryingToUnregister() override { add("OnTryingToUnregister"); }
    void OnUnregisterFailed() override { add("OnUnregisterFailed"); }
    void OnUnregistered() override { add("OnUnregistered"); }
    void OnTryingToRegister() override { add("OnTryingToRegister"); }
    void OnRegistered() override { add("OnRegistered"); }
    void OnConnectFailed(int line) override { add("OnConnectFailed", line); }
    void OnConnecting(int line) override { add("OnConnecting", line); }
    void OnHungUp(int line) override { add("OnHungUp", line); }
    void OnTransferAccepted(int line) override { add("OnTransferAccepted", line); }
    void OnProvisionalResponse(int line, long code, const std::string& reason) override {
        add("OnProvisionalResponse", line, code, reason);
    }
    void OnFailureResponseA(int line, long code, const std::string& reason, const std::string&) override {
        add("OnFailureResponseA", line, code, reason);
    }
    void OnFailureResponseB(int line, long code, const std::string& reason) override {
        add("OnFailureResponseB", line, code, reason);
    }
    void OnFailureResponseC(int line, long code, const std::string& reason) override {
        add("OnFailureResponseC", line, code, reason);
    }
    void OnFailureResponseD(int line, long code, const std::string& reason) override {
        add("OnFailureResponseD", line, code, reason);
    }
    void OnConnected(int line, const std::string& text, const std::string& number) override {
        add("OnConnected", line, text, number);
    }
    void OnIncomingCall(const std::string& id, const std::string& name, const std::string& number,
                        const std::string& callerUri, const std::string& calledUri) override {
        lastCallId = id;
        add("OnIncomingCall", name, number, callerUri, calledUri);
    }
    void OnTryingToReRegister() override { add("OnTryingToReRegister"); }
    void OnTransferFailed(int line, long code, const std::string& reason) override {
        add("OnTransferFailed", line, code, reason);
    }
    void OnRegisterFailed(long code, const std::string& reason) override { add("OnRegisterFailed", code, reason); }
    void OnReRegisterFailed(long code, const std::string& reason) override { add("OnReRegisterFailed", code, reason); }
    void OnChatContactStatus(const std::string& contact, long status) override {
        add("OnChatContactStatus", contact, status);
    }
    void OnChatMessage(const std::string& sender, const std::string& message) override {
        chatMessages.push_back({sender, message});
        add("OnChatMessage", sender, message.size() > 40 ? message.substr(0, 40) + "..." : message);
    }
    void OnIncomingCallEnded(const std::string& id) override { add("OnIncomingCallEnded", id == lastCallId); }

    std::string lastCallId;
    // Every chat message received, whole: (sender, text).
    std::vector<std::pair<std::string, std::string>> chatMessages;
    // Runs inside the next delivered event, as a handler's own work.
    std::function<void()> onNext;

private:
    static std::string part(const std::string& s) { return s; }
    static std::string part(const char* s) { return s; }
    template <typename T>
    static std::string part(T value) {
        return std::to_string(value);
    }

    template <typename... Args>
    void add(const std::string& name, const Args&... args) {
        std::string text = name + "(";
        bool firstArg = true;
        ((text += (firstArg ? "" : ",") + part(args), firstArg = false), ...);
        events.push_back(text + ")");
        if (onNext) {
            auto work = std::move(onNext);
            onNext = nullptr;
            work();
        }
    }
};

}  // namespace velmora::engine::testing
