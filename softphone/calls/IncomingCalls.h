#pragma once

#include "engine/SipEngineEvents.h"

#include <string>
#include <vector>

namespace velmora::core {
struct AppContext;
}

namespace velmora::calls {

// At most this many calls are listed at once, and this many missed calls kept.
inline constexpr std::size_t kMaxOfferedCalls = 200;
inline constexpr int kMaxMissedCalls = 100;

// The incoming-call panel: each offered call is listed (ListIncomingCall, its
// id at the same index of ListIncomingCallIds) until it is accepted, refused
// or ended by the caller; a call that ends unanswered counts as missed.
class IncomingCalls : public engine::SipEngineEvents {
public:
    explicit IncomingCalls(core::AppContext& app) : app_(app) {}

    void OnIncomingCall(const std::string& callId, const std::string& callerName, const std::string& callerNumber,
                        const std::string& callerUri, const std::string& calledUri) override;
    void OnIncomingCallEnded(const std::string& callId) override;

    void accept();
    void reject();
    // Removes the call's entries from both lists; the panel hides once empty.
    void removeOfferedCall(const std::string& callId);
    // The chosen entry's caller number goes to CIDTxt.
    void offeredCallChosen();
    void doNotDisturbClicked();
    void missedCallsPressed();
    // Dials the chosen missed call's number.
    void callBack();

private:
    struct Offered {
        std::string id, number, name;
    };
    void keepRinging();
    // Both panel lists drawn from offered_, the call with selectId selected
    // (else the first).
    void render(const std::string& selectId);
    // The lists show offered_ as it is.
    bool inStep() const;
    std::string selectedId() const;
    // The offered call the agent chose, or nullptr.
    const Offered* chosen();

    core::AppContext& app_;
    std::vector<Offered> offered_;            // at the indexes of ListIncomingCall
    std::vector<std::string> missedNumbers_;  // at the indexes of ListMissedCalls
    int missedCount_ = 0;
};

}  // namespace velmora::calls
