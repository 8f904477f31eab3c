#pragma once

#include "LinphoneErrorText.h"
#include "LinphoneHandle.h"
#include "engine/SipEngineEvents.h"

#include <cstdint>
#include <functional>

namespace velmora::engine {

// The account's registration at the registrar, told to the program as
// OnTryingTo(Re)Register, OnRegistered, On(Re)RegisterFailed and the
// unregistration events. Refreshes are asked for a little before belle-sip
// would do them silently, so they show; an attempt the registrar does not
// answer in time is reported failed (408) by the engine itself.
class Registration {
public:
    using Report = std::function<void(std::function<void(SipEngineEvents&)>)>;
    explicit Registration(Report report) : report_(std::move(report)) {}

    bool requested() const { return requested_; }
    bool registered() const { return registered_; }
    bool unregistering() const { return unregistering_; }

    // REGISTER with this expiry, again if asked already; false when
    // liblinphone refused the account's new parameters.
    bool request(LinphoneAccount* account, long expirySeconds);
    // liblinphone's registration state of the account. failure: the code
    // and reason to tell when the state is a failure.
    void changed(LinphoneRegistrationState state, std::uint32_t now, const ErrorText& failure);
    // From every pump: the early refresh, the engine's own timeout.
    void check(LinphoneAccount* account, std::uint32_t now, int timeoutSeconds);
    // Sends the un-REGISTER (when registered) and runs iterate until the
    // registrar answered or timeoutMs passed; true when it answered.
    bool unregister(LinphoneCore* core, LinphoneAccount* account, int timeoutMs);
    // The engine stops: nothing is held at the registrar any more.
    void forget() { requested_ = registered_ = registering_ = unregistering_ = false; }

private:
    Report report_;
    bool requested_ = false;
    bool registered_ = false;
    bool registering_ = false;
    bool unregistering_ = false;
    bool unregisterDone_ = false;
    bool timedOut_ = false;  // the late failure after our own timeout stays silent
    std::uint32_t startedAt_ = 0;
    std::uint32_t registeredAt_ = 0;
    long expiry_ = 0;
};

}  // namespace velmora::engine
