#include "LinphoneEngine.h"

#include "LinphoneErrorText.h"

#include <linphone/api/c-account-params.h>
#include <linphone/api/c-account.h>

#include <chrono>
#include <thread>

namespace velmora::engine {

// Sends the un-REGISTER and runs liblinphone until the registrar answered or
// the bound passed; the events go to the queue (delivered by the next pump).
void LinphoneEngine::waitForUnregistration() {
    unregisterDone_ = false;
    if (!account_ || !registered_) return;
    unregistering_ = true;
    LinphoneAccountParams* params = linphone_account_params_clone(linphone_account_get_params(account_));
    linphone_account_params_set_register_enabled(params, FALSE);
    linphone_account_set_params(account_, params);
    linphone_account_params_unref(params);
    const bool wasIterating = iterating_;
    iterating_ = true;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(options_.unregisterTimeoutMs);
    while (!unregisterDone_ && std::chrono::steady_clock::now() < deadline) {
        linphone_core_iterate(core_);
        if (!unregisterDone_) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    iterating_ = wasIterating;
    unregistering_ = false;
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
    LinphoneAccountParams* params = linphone_account_params_clone(linphone_account_get_params(account_));
    linphone_account_params_set_expires(params, static_cast<int>(expirySeconds));
    linphone_account_params_set_register_enabled(params, TRUE);
    const int status = linphone_account_set_params(account_, params);
    linphone_account_params_unref(params);
    if (status != 0) return fail(kRegisterRequestFailed);
    if (registerRequested_) linphone_account_refresh_register(account_);
    registerRequested_ = true;
    registerExpiry_ = expirySeconds;
    hurry();
    return ok();
}

void LinphoneEngine::onRegistration(LinphoneAccount* account, LinphoneRegistrationState state) {
    if (account != account_) return;
    if (unregistering_) {
        if (state == LinphoneRegistrationCleared) {
            unregisterDone_ = true;
            registered_ = false;
            queue([](SipEngineEvents& e) { e.OnUnregistered(); });
        } else if (state == LinphoneRegistrationFailed) {
            unregisterDone_ = true;
            registered_ = false;
            queue([](SipEngineEvents& e) { e.OnUnregisterFailed(); });
        }
        return;
    }
    switch (state) {
    case LinphoneRegistrationProgress:
        if (registering_) break;  // a challenge answered: still the same attempt
        registering_ = true;
        registrationTimedOut_ = false;
        registerStartedAt_ = loop_.tickCount();
        if (registered_)
            queue([](SipEngineEvents& e) { e.OnTryingToReRegister(); });
        else
            queue([](SipEngineEvents& e) { e.OnTryingToRegister(); });
        break;
    case LinphoneRegistrationOk:
        registering_ = false;
        registeredAt_ = loop_.tickCount();
        if (!registered_) queue([](SipEngineEvents& e) { e.OnRegistered(); });
        registered_ = true;  // refreshes that succeed stay silent
        break;
    case LinphoneRegistrationFailed: {
        registering_ = false;
        if (registrationTimedOut_) {
            registrationTimedOut_ = false;
            break;
        }
        ErrorText text = errorText(linphone_account_get_error_info(account));
        if (std::string why = transportFailure(linphone_account_get_error_info(account)); !why.empty())
            text.reason = why;
        if (registered_)
            queue([text](SipEngineEvents& e) { e.OnReRegisterFailed(text.code, text.reason); });
        else
            queue([text](SipEngineEvents& e) { e.OnRegisterFailed(text.code, text.reason); });
        registered_ = false;
        break;
    }
    default: break;
    }
}

void LinphoneEngine::checkRegistration() {
    const std::uint32_t now = loop_.tickCount();
    // belle-sip refreshes a registration silently at 90% of its life; asking
    // for the refresh ourselves a little earlier makes it visible
    // (OnTryingToReRegister, and OnReRegisterFailed when it fails).
    if (registered_ && !registering_ && account_ &&
        now - registeredAt_ >= static_cast<std::uint32_t>(registerExpiry_) * 800u) {
        registeredAt_ = now;
        linphone_account_refresh_register(account_);
        return;
    }
    const auto limit = static_cast<std::uint32_t>(options_.registerTimeoutSeconds) * 1000u;
    if (!registering_ || now - registerStartedAt_ < limit) return;
    registering_ = false;
    registrationTimedOut_ = true;
    if (registered_)
        queue([](SipEngineEvents& e) { e.OnReRegisterFailed(408, "Request Timeout"); });
    else
        queue([](SipEngineEvents& e) { e.OnRegisterFailed(408, "Request Timeout"); });
    registered_ = false;
}

}  // namespace velmora::engine
