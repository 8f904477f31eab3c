#include "Registration.h"

#include <linphone/api/c-account-params.h>
#include <linphone/api/c-account.h>

#include <chrono>
#include <thread>

namespace velmora::engine {

bool Registration::request(LinphoneAccount* account, long expirySeconds) {
    LinphoneAccountParams* params = linphone_account_params_clone(linphone_account_get_params(account));
    linphone_account_params_set_expires(params, static_cast<int>(expirySeconds));
    linphone_account_params_set_register_enabled(params, TRUE);
    const int status = linphone_account_set_params(account, params);
    linphone_account_params_unref(params);
    if (status != 0) return false;
    if (requested_) linphone_account_refresh_register(account);
    requested_ = true;
    expiry_ = expirySeconds;
    return true;
}

void Registration::changed(LinphoneRegistrationState state, std::uint32_t now, const ErrorText& failure) {
    if (unregistering_) {
        if (state == LinphoneRegistrationCleared) {
            unregisterDone_ = true;
            registered_ = false;
            report_([](SipEngineEvents& e) { e.OnUnregistered(); });
        } else if (state == LinphoneRegistrationFailed) {
            unregisterDone_ = true;
            registered_ = false;
            report_([](SipEngineEvents& e) { e.OnUnregisterFailed(); });
        }
        return;
    }
    switch (state) {
    case LinphoneRegistrationProgress:
        if (registering_) break;  // a challenge answered: still the same attempt
        registering_ = true;
        timedOut_ = false;
        startedAt_ = now;
        if (registered_)
            report_([](SipEngineEvents& e) { e.OnTryingToReRegister(); });
        else
            report_([](SipEngineEvents& e) { e.OnTryingToRegister(); });
        break;
    case LinphoneRegistrationOk:
        registering_ = false;
        registeredAt_ = now;
        if (!registered_) report_([](SipEngineEvents& e) { e.OnRegistered(); });
        registered_ = true;  // refreshes that succeed stay silent
        break;
    case LinphoneRegistrationFailed:
        registering_ = false;
        if (timedOut_) {
            timedOut_ = false;
            break;
        }
        if (registered_)
            report_([failure](SipEngineEvents& e) { e.OnReRegisterFailed(failure.code, failure.reason); });
        else
            report_([failure](SipEngineEvents& e) { e.OnRegisterFailed(failure.code, failure.reason); });
        registered_ = false;
        break;
    default: break;
    }
}

void Registration::check(LinphoneAccount* account, std::uint32_t now, int timeoutSeconds) {
    // belle-sip refreshes a registration silently at 90% of its life; asking
    // for the refresh ourselves a little earlier makes it visible
    // (OnTryingToReRegister, and OnReRegisterFailed when it fails).
    if (registered_ && !registering_ && account && now - registeredAt_ >= static_cast<std::uint32_t>(expiry_) * 800u) {
        registeredAt_ = now;
        linphone_account_refresh_register(account);
        return;
    }
    const auto limit = static_cast<std::uint32_t>(timeoutSeconds) * 1000u;
    if (!registering_ || now - startedAt_ < limit) return;
    registering_ = false;
    timedOut_ = true;
    if (registered_)
        report_([](SipEngineEvents& e) { e.OnReRegisterFailed(408, "Request Timeout"); });
    else
        report_([](SipEngineEvents& e) { e.OnRegisterFailed(408, "Request Timeout"); });
    registered_ = false;
}

bool Registration::unregister(LinphoneCore* core, LinphoneAccount* account, int timeoutMs) {
    unregisterDone_ = false;
    if (!account || !registered_) return false;
    unregistering_ = true;
    LinphoneAccountParams* params = linphone_account_params_clone(linphone_account_get_params(account));
    linphone_account_params_set_register_enabled(params, FALSE);
    linphone_account_set_params(account, params);
    linphone_account_params_unref(params);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!unregisterDone_ && std::chrono::steady_clock::now() < deadline) {
        linphone_core_iterate(core);
        if (!unregisterDone_) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    unregistering_ = false;
    return unregisterDone_;
}

}  // namespace velmora::engine
