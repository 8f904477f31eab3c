#include "LinphoneEngine.h"

#include "LinphoneErrorText.h"

#include <linphone/api/c-account.h>

namespace velmora::engine {

// Sends the un-REGISTER and runs liblinphone until the registrar answered or
// the bound passed; the events go to the queue (delivered by the next pump).
void LinphoneEngine::waitForUnregistration() {
    const bool wasIterating = iterating_;
    iterating_ = true;
    const bool answered = registration_.unregister(core_, account_.get(), options_.unregisterTimeoutMs);
    iterating_ = wasIterating;
    if (!answered && registration_.registered()) queue([](SipEngineEvents& e) { e.OnUnregisterFailed(); });
}

bool LinphoneEngine::RegisterToProxy(long expirySeconds) {
    if (!core_) return fail(kNotOnline);
    if (expirySeconds <= 0) return fail(kInvalidValue);
    if (!securityProblem_.empty()) {
        // Nothing goes to the server; the agent reads why in the status list.
        const std::string reason = securityProblem_;
        queue([](SipEngineEvents& e) { e.OnTryingToRegister(); });
        queue([reason](SipEngineEvents& e) { e.OnRegisterFailed(0, reason); });
        return ok();
    }
    if (!registration_.request(account_.get(), expirySeconds)) return fail(kRegisterRequestFailed);
    hurry();
    return ok();
}

void LinphoneEngine::onRegistration(LinphoneAccount* account, LinphoneRegistrationState state) {
    if (account != account_.get()) return;
    ErrorText failure{0, {}};
    if (state == LinphoneRegistrationFailed && !registration_.unregistering()) {
        failure = errorText(linphone_account_get_error_info(account));
        if (std::string why = transportFailure(linphone_account_get_error_info(account)); !why.empty())
            failure.reason = why;
    }
    registration_.changed(state, loop_.tickCount(), failure);
}

}  // namespace velmora::engine
