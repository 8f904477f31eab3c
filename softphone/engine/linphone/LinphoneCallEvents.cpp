#include "LinphoneEngine.h"

#include "CallStates.h"

#include <linphone/api/c-account-params.h>
#include <linphone/api/c-account.h>
#include <linphone/api/c-address.h>
#include <linphone/api/c-call.h>
#include <linphone/call_log.h>
#include <linphone/call_params.h>
#include <linphone/factory.h>

#include <bctoolbox/port.h>

#include <cstdint>

// What liblinphone reports about calls, turned into the engine's events.

namespace velmora::engine {
namespace {

std::string text(const char* value) { return value ? value : ""; }

std::string uriText(const LinphoneAddress* address) {
    if (!address) return {};
    char* uri = linphone_address_as_string_uri_only(address);
    std::string result = text(uri);
    bctbx_free(uri);
    return result;
}

// Where a referral goes when no decliner could be opened: a closed local
// port that never answers, so it never challenges for the agent's credentials.
constexpr const char* kNowhere = "sip:127.0.0.1:9;transport=udp;lr";
// How long the decliner waits for the referred call's INVITE.
constexpr std::uint32_t kDeclineWaitMs = 40000;

}  // namespace

// A far end asked the agent's phone to call someone (REFER). liblinphone
// has answered 202 already and, right after this notification, would call
// the Refer-To target itself with the agent's credentials: a toll-fraud path.
// The engine takes the referral over and sends its call to the decliner on
// loopback, which answers 603: nothing leaves towards the target, and the far
// end's NOTIFY says the referral failed. The line's call, which liblinphone
// holds for a transfer, is resumed. The program hears of it as a failed
// transfer with code 603.
void LinphoneEngine::refuseReferral(LinphoneCall* call) {
    Line* l = lineOf(call);
    endDeclinedReferral();  // an earlier referral still waiting
    std::string route = referralDecliner_.open();
    if (route.empty()) route = kNowhere;
    LinphoneCall* placed = nullptr;
    LinphoneAddress* decliner = linphone_factory_create_address(linphone_factory_get(), route.c_str());
    if (account_ && decliner) {
        // liblinphone routes the call by the account whose domain matches
        // the target, whatever the call's parameters say: the account's
        // route points to the decliner while the call is placed (in-dialog
        // requests follow their dialog's own route), then is put back.
        LinphoneAccountParams* saved = linphone_account_params_clone(linphone_account_get_params(account_));
        LinphoneAccountParams* diverted = linphone_account_params_clone(saved);
        bctbx_list_t* routes = bctbx_list_append(nullptr, decliner);
        linphone_account_params_set_routes_addresses(diverted, routes);
        bctbx_list_free(routes);
        linphone_account_set_params(account_, diverted);
        placed = linphone_core_start_refered_call(core_, call, nullptr);
        linphone_account_set_params(account_, saved);
        linphone_account_params_unref(diverted);
        linphone_account_params_unref(saved);
    }
    if (decliner) linphone_address_unref(decliner);
    const LinphoneCallLog* log = placed ? linphone_call_get_call_log(placed) : nullptr;
    const std::string callId = text(log ? linphone_call_log_get_call_id(log) : nullptr);
    if (placed && referralDecliner_.isOpen() && !callId.empty() && !callEnded(linphone_call_get_state(placed))) {
        declinedReferral_ = linphone_call_ref(placed);
        declinedReferralAt_ = loop_.tickCount();
        referralDecliner_.expect(callId);
    } else {
        referralDecliner_.close();
        if (placed) {
            linphone_call_ref(placed);
            linphone_call_terminate(placed);
            linphone_call_unref(placed);
        }
    }
    if (!l) return;
    l->referralRefused = true;
    const int line = lineIndex(*l);
    queue([line](SipEngineEvents& e) { e.OnTransferFailed(line, 603, "Transfer request refused"); });
}

// The declined referral's call is over (or its wait is): the decliner closes.
void LinphoneEngine::endDeclinedReferral() {
    if (declinedReferral_) {
        if (!callEnded(linphone_call_get_state(declinedReferral_))) linphone_call_terminate(declinedReferral_);
        linphone_call_unref(declinedReferral_);
        declinedReferral_ = nullptr;
    }
    referralDecliner_.close();
}

void LinphoneEngine::checkDeclinedReferral() {
    if (!declinedReferral_) return;
    referralDecliner_.serve();
    if (callEnded(linphone_call_get_state(declinedReferral_)) ||
        loop_.tickCount() - declinedReferralAt_ > kDeclineWaitMs)
        endDeclinedReferral();
}

void LinphoneEngine::offerIncoming(LinphoneCall* call) {
    if (doNotDisturb_) {
        linphone_call_decline(call, LinphoneReasonBusy);  // 486 Busy Here
        return;
    }
    if (forwarding_) {
        if (LinphoneAddress* target = parseTarget(forwardTarget_)) {
            linphone_call_redirect_to(call, target);  // 302 to the forwarding number
            linphone_address_unref(target);
            return;
        }
    }
    const std::string id = text(linphone_call_log_get_call_id(linphone_call_get_call_log(call)));
    if (id.empty() || offered_.count(id)) return;
    offered_[id] = linphone_call_ref(call);
    const LinphoneAddress* from = linphone_call_get_remote_address(call);
    const std::string name = text(from ? linphone_address_get_display_name(from) : nullptr);
    const std::string number = text(from ? linphone_address_get_username(from) : nullptr);
    const std::string callerUri = uriText(from);
    const std::string calledUri = uriText(linphone_call_get_to_address(call));
    queue([=](SipEngineEvents& e) { e.OnIncomingCall(id, name, number, callerUri, calledUri); });
}

void LinphoneEngine::checkAnswerTimeouts() {
    const std::uint32_t now = loop_.tickCount();
    const auto limit = static_cast<std::uint32_t>(options_.answerTimeoutSeconds) * 1000u;
    for (Line& l : lines_) {
        if (!l.call || !l.outgoing || l.connected || now - l.startedAt < limit) continue;
        const int line = lineIndex(l);
        queue([line](SipEngineEvents& e) { e.OnConnectFailed(line); });
        LinphoneCall* call = linphone_call_ref(l.call);
        l.endedByUs = true;
        releaseLineCall(l);
        linphone_call_terminate(call);  // CANCEL
        linphone_call_unref(call);
    }
}

void LinphoneEngine::reportFailure(Line& l, LinphoneCall* call) {
    const int line = lineIndex(l);
    if (l.plainRefused) {
        queue([line](SipEngineEvents& e) {
            e.OnFailureResponseA(line, 488, "Not Acceptable Here: SRTP is required and the far end offers plain RTP",
                                 "");
        });
        return;
    }
    const LinphoneErrorInfo* info = linphone_call_get_error_info(call);
    const long code = info ? linphone_error_info_get_protocol_code(info) : 0;
    std::string reason = text(info ? linphone_error_info_get_phrase(info) : nullptr);
    const std::string detail = text(info ? linphone_error_info_get_warnings(info) : nullptr);
    if (std::string why = transportFailure(info); !why.empty()) reason = why;
    // 408 means no final response came from the far end, whether the SIP
    // stack's own timer or a proxy's ran out: the call never connected.
    if (code == 0 || code == 408)
        queue([=](SipEngineEvents& e) { e.OnConnectFailed(line); });
    else if (code >= 400 && code < 500)
        queue([=](SipEngineEvents& e) { e.OnFailureResponseA(line, code, reason, detail); });
    else if (code >= 500 && code < 600)
        queue([=](SipEngineEvents& e) { e.OnFailureResponseB(line, code, reason); });
    else if (code >= 600 && code < 700)
        queue([=](SipEngineEvents& e) { e.OnFailureResponseC(line, code, reason); });
    else
        queue([=](SipEngineEvents& e) { e.OnFailureResponseD(line, code, reason); });
}

void LinphoneEngine::onCallState(LinphoneCall* call, LinphoneCallState state) {
    if (state == LinphoneCallReleased) {
        // liblinphone would keep a log of every call, in memory and in its
        // database, without bound; the program writes its own call logs.
        linphone_core_clear_call_logs(core_);
    }
    if (state == LinphoneCallIncomingReceived) {
        offerIncoming(call);
        return;
    }
    if (state == LinphoneCallStateReferred) {
        refuseReferral(call);
        return;
    }
    Line* l = lineOf(call);
    if (!l) {
        if (callEnded(state)) {  // an offered call the caller cancelled: its id is gone
            for (auto it = offered_.begin(); it != offered_.end(); ++it)
                if (it->second == call) {
                    const std::string id = it->first;
                    linphone_call_unref(it->second);
                    offered_.erase(it);
                    queue([id](SipEngineEvents& e) { e.OnIncomingCallEnded(id); });
                    break;
                }
        }
        return;
    }
    const int line = lineIndex(*l);
    switch (state) {
    case LinphoneCallOutgoingProgress:
        if (!l->connectingReported) {
            l->connectingReported = true;
            queue([line](SipEngineEvents& e) { e.OnConnecting(line); });
        }
        break;
    case LinphoneCallOutgoingRinging:
    case LinphoneCallOutgoingEarlyMedia: {
        const LinphoneErrorInfo* info = linphone_call_get_error_info(call);
        long code = info ? linphone_error_info_get_protocol_code(info) : 0;
        std::string reason = text(info ? linphone_error_info_get_phrase(info) : nullptr);
        if (code < 100 || code >= 200 || reason.empty()) {
            code = state == LinphoneCallOutgoingRinging ? 180 : 183;
            reason = code == 180 ? "Ringing" : "Session Progress";
        }
        queue([=](SipEngineEvents& e) { e.OnProvisionalResponse(line, code, reason); });
        break;
    }
    case LinphoneCallConnected:
        if (!l->connected && l->outgoing && refusesPlainAnswer(call)) {
            l->plainRefused = true;  // liblinphone ends the call at once
        } else if (!l->connected) {
            l->connected = true;
            const LinphoneAddress* remote = linphone_call_get_remote_address(call);
            const std::string number = text(remote ? linphone_address_get_username(remote) : nullptr);
            std::string shown = text(remote ? linphone_address_get_display_name(remote) : nullptr);
            if (shown.empty()) shown = number;
            queue([=](SipEngineEvents& e) { e.OnConnected(line, shown, number); });
        }
        break;
    case LinphoneCallStreamsRunning: applyCallAudio(*l); break;
    case LinphoneCallPaused:
        // Held by liblinphone for a referral the engine refused: back as it was.
        if (l->referralRefused) {
            l->referralRefused = false;
            linphone_call_resume(call);
        }
        break;
    case LinphoneCallEnd:
    case LinphoneCallError:
        if (l->endedByUs) {
            // the program hung up; nothing to tell
        } else if (l->connected || !l->outgoing) {
            // A transferred call's end belongs to the transfer, which the
            // program has logged already.
            if (!l->transferring) queue([line](SipEngineEvents& e) { e.OnHungUp(line); });
        } else {
            reportFailure(*l, call);
        }
        releaseLineCall(*l);
        break;
    default: break;
    }
}

void LinphoneEngine::onTransferState(LinphoneCall* call, LinphoneCallState state) {
    Line* l = lineOf(call);
    if (!l || !l->transferring) return;
    const int line = lineIndex(*l);
    switch (state) {
    case LinphoneCallOutgoingProgress:
    case LinphoneCallOutgoingRinging:
    case LinphoneCallConnected:
        if (!l->transferReported) {
            l->transferReported = true;
            queue([line](SipEngineEvents& e) { e.OnTransferAccepted(line); });
        }
        if (state == LinphoneCallConnected && !callEnded(linphone_call_get_state(call))) {
            // The far end reached the target: our leg is done.
            l->endedByUs = true;
            LinphoneCall* ours = linphone_call_ref(call);
            releaseLineCall(*l);
            linphone_call_terminate(ours);
            linphone_call_unref(ours);
        }
        break;
    case LinphoneCallError: {
        l->transferring = false;
        const LinphoneErrorInfo* info = linphone_call_get_error_info(call);
        long code = info ? linphone_error_info_get_protocol_code(info) : 0;
        std::string reason = text(info ? linphone_error_info_get_phrase(info) : nullptr);
        if (reason.empty()) reason = "Transfer failed";
        queue([=](SipEngineEvents& e) { e.OnTransferFailed(line, code, reason); });
        break;
    }
    default: break;
    }
}

void LinphoneEngine::onDtmf(LinphoneCall* call, int digit) {
    Line* l = lineOf(call);
    if (!l) return;
    const int line = lineIndex(*l);
    const std::string text(1, static_cast<char>(digit));
    queue([=](SipEngineEvents& e) { e.OnDtmfDigit(line, text); });
}

}  // namespace velmora::engine
