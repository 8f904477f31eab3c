#include "LinphoneEngine.h"

#include "CallStates.h"
#include "SipTrace.h"

#include <linphone/api/c-account-params.h>
#include <linphone/api/c-account.h>
#include <linphone/api/c-address.h>
#include <linphone/api/c-call.h>
#include <linphone/call_log.h>
#include <linphone/call_params.h>
#include <linphone/factory.h>

#include <bctoolbox/port.h>

#include <algorithm>
#include <cstdint>
#include <tuple>

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

// What the program reads when a far end challenged a request of a call:
// the engine's credentials answer the registrar's realm only.
std::string challengeReason(long code, const std::string& phrase) {
    const std::string said = phrase.empty() ? (code == 401 ? "Unauthorized" : "Proxy Authentication Required") : phrase;
    return said + ": the far end asked for credentials";
}

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
    EngineCall* referred = callOf(call);
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
        LinphoneAccountParams* saved = linphone_account_params_clone(linphone_account_get_params(account_.get()));
        LinphoneAccountParams* diverted = linphone_account_params_clone(saved);
        bctbx_list_t* routes = bctbx_list_append(nullptr, decliner);
        linphone_account_params_set_routes_addresses(diverted, routes);
        bctbx_list_free(routes);
        linphone_account_set_params(account_.get(), diverted);
        placed = linphone_core_start_refered_call(core_, call, nullptr);
        linphone_account_set_params(account_.get(), saved);
        linphone_account_params_unref(diverted);
        linphone_account_params_unref(saved);
    }
    if (decliner) linphone_address_unref(decliner);
    const CallHandle referral(placed);
    const std::string callId = placed ? callIdOf(placed) : std::string();
    if (placed && referralDecliner_.isOpen() && !callId.empty() && !callEnded(linphone_call_get_state(placed))) {
        declinedReferral_ = referral;
        declinedReferralAt_ = loop_.tickCount();
        referralDecliner_.expect(callId);
    } else {
        referralDecliner_.close();
        if (placed) linphone_call_terminate(placed);
    }
    if (!referred || referred->line < 0) return;
    referred->resumeWhenPaused = true;
    const int line = referred->line;
    queue([line](SipEngineEvents& e) { e.OnTransferFailed(line, 603, "Transfer request refused"); });
}

// The declined referral's call is over (or its wait is): the decliner closes.
void LinphoneEngine::endDeclinedReferral() {
    if (declinedReferral_ && !callEnded(linphone_call_get_state(declinedReferral_.get())))
        linphone_call_terminate(declinedReferral_.get());
    declinedReferral_.reset();
    referralDecliner_.close();
}

void LinphoneEngine::checkDeclinedReferral() {
    if (!declinedReferral_) return;
    referralDecliner_.serve();
    if (callEnded(linphone_call_get_state(declinedReferral_.get())) ||
        loop_.tickCount() - declinedReferralAt_ > kDeclineWaitMs)
        endDeclinedReferral();
}

bool LinphoneEngine::throughProxy(const std::optional<ReceivedRequest>& request) const {
    return request && isTrustedPeer(request->peer, proxy_);
}

int LinphoneEngine::lineOf(LinphoneCall* call) const {
    for (std::size_t line = 0; line < lines_.size(); ++line)
        if (call && lines_[line].call && lines_[line].call->handle.get() == call) return static_cast<int>(line);
    return -1;
}

// A new INVITE: from the SIP server only (unless direct peers are allowed),
// and one that replaces a call (Replaces) only from the server and only for
// a call on a line, which it then carries on.
void LinphoneEngine::offerIncoming(LinphoneCall* call) {
    const std::string callId = callIdOf(call);
    const auto invite = lastRequest(callId, "INVITE");
    const bool viaProxy = throughProxy(invite);
    LinphoneCall* replaced = linphone_call_get_replaced_call(call);
    if (replaced || (invite && invite->replaces)) {
        takeReplacingCall(call, replaced, viaProxy);
        return;
    }
    if (!viaProxy && !options_.allowDirectPeers) {
        linphone_call_decline(call, LinphoneReasonForbidden);  // 403 Forbidden
        hurry();
        return;
    }
    if (!securityProblem_.empty()) {  // no call while going online was refused
        linphone_call_decline(call, LinphoneReasonNotAcceptable);
        hurry();
        return;
    }
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
    const std::string id = callIdOf(call);
    if (id.empty() || offered_.count(id)) return;
    auto offer = newCall(CallDirection::Incoming, CallState::Offered);
    offer->handle = CallHandle(call);
    offer->offerId = id;
    const LinphoneAddress* from = linphone_call_get_remote_address(call);
    offer->remote.name = text(from ? linphone_address_get_display_name(from) : nullptr);
    offer->remote.number = text(from ? linphone_address_get_username(from) : nullptr);
    offer->remote.uri = uriText(from);
    const std::string calledUri = uriText(linphone_call_get_to_address(call));
    const RemoteParty caller = offer->remote;
    offered_[id] = std::move(offer);
    queue([=](SipEngineEvents& e) { e.OnIncomingCall(id, caller.name, caller.number, caller.uri, calledUri); });
}

// The replacing call takes over the line of the call it replaces: the line
// stays busy with the same call of the program, which now runs over the new
// dialog. liblinphone ends the replaced dialog when the new one is accepted;
// the accept waits until iterate has returned.
void LinphoneEngine::takeReplacingCall(LinphoneCall* call, LinphoneCall* replaced, bool viaProxy) {
    const int line = lineOf(replaced);
    const EngineCall* owner = line >= 0 ? lines_[line].call.get() : nullptr;
    const bool onLine = owner && (owner->live() || owner->state == CallState::Answering);
    if (!viaProxy || !onLine || replacements_.size() >= lines_.size()) {
        linphone_call_decline(call, viaProxy ? LinphoneReasonDeclined : LinphoneReasonForbidden);
        hurry();
        return;
    }
    replacements_.push_back({CallHandle(call), CallHandle(replaced)});
    hurry();
}

void LinphoneEngine::acceptReplacements() {
    std::vector<Replacement> pending = std::move(replacements_);
    replacements_.clear();
    for (Replacement& r : pending) {
        LinphoneCall* call = r.call.get();
        const LinphoneCallState state = linphone_call_get_state(call);
        if (state != LinphoneCallIncomingReceived && state != LinphoneCallIncomingEarlyMedia) continue;
        const int line = lineOf(r.replaced.get());
        if (line < 0) {  // the replaced call ended meanwhile
            linphone_call_decline(call, LinphoneReasonDeclined);
            continue;
        }
        Line& l = lines_[line];
        EngineCall& owner = *l.call;
        const bool recording = owner.recording && owner.recording->recording();
        if (owner.recording) owner.recording->endStretch(owner.handle.get(), true);
        // From here on the replaced dialog is no call of ours: its end
        // (liblinphone sends its BYE) is not the line's.
        owner.handle = CallHandle(call);
        owner.recordWhenRunning = recording;
        if (owner.state == CallState::Held) owner.state = CallState::Connected;
        if (owner.state == CallState::Answering) owner.state = CallState::Connected;
        LinphoneCallParams* params = linphone_core_create_call_params(core_, call);
        linphone_call_params_enable_video(params, FALSE);
        enableEncryptionOffer(params);
        if (owner.recording) linphone_call_params_set_record_file(params, owner.recording->stretchFile().c_str());
        offerTelephoneEvents(!l.inbandDtmf);
        const int status = linphone_call_accept_with_params(call, params);
        offerTelephoneEvents(true);
        linphone_call_params_unref(params);
        if (status != 0) {
            endCall(line, [line](SipEngineEvents& e) { e.OnHungUp(line); }, true);
            continue;
        }
        applyCallAudio(line);
        hurry();
    }
}

// A call no line owns must not go on talking: the agent could neither see
// nor end it.
void LinphoneEngine::endStrayCalls() {
    std::vector<CallHandle> strays = std::move(strays_);
    strays_.clear();
    for (CallHandle& stray : strays)
        if (callOf(stray.get()) == nullptr && !callEnded(linphone_call_get_state(stray.get())))
            linphone_call_terminate(stray.get());
}

// A far end that answers our INVITE with a challenge in a realm of its own
// gets no credentials; liblinphone would then wait for them until the
// answer timeout. The call fails at once with the far end's code, and the
// program reads why.
void LinphoneEngine::checkForeignChallenges() {
    for (const ReceivedChallenge& challenge : challengesSince(challengeCursor_)) {
        if (challenge.method != "INVITE" ||
            std::find(challenge.realms.begin(), challenge.realms.end(), authRealm_) != challenge.realms.end())
            continue;
        for (Line& l : lines_) {
            EngineCall* call = l.call.get();
            if (!call || !call->handle || (call->state != CallState::Dialling && call->state != CallState::Ringing) ||
                callIdOf(call->handle.get()) != challenge.callId)
                continue;
            const int line = call->line;
            const long code = challenge.code;
            const std::string reason = challengeReason(code, challenge.phrase);
            endCall(line, [=](SipEngineEvents& e) { e.OnFailureResponseA(line, code, reason, ""); }, true);
            break;
        }
    }
}

void LinphoneEngine::checkAnswerTimeouts() {
    const std::uint32_t now = loop_.tickCount();
    const auto limit = static_cast<std::uint32_t>(options_.answerTimeoutSeconds) * 1000u;
    for (Line& l : lines_) {
        const EngineCall* call = l.call.get();
        if (!call || (call->state != CallState::Dialling && call->state != CallState::Ringing) ||
            now - call->startedAt < limit)
            continue;
        const int line = call->line;
        endCall(
            line, [line](SipEngineEvents& e) { e.OnConnectFailed(line); }, true);  // CANCEL
    }
}

LinphoneEngine::Event LinphoneEngine::failureReport(const EngineCall& call, LinphoneCall* linphoneCall) {
    const int line = call.line;
    if (call.plainAnswerRefused)
        return [line](SipEngineEvents& e) {
            e.OnFailureResponseA(line, 488, "Not Acceptable Here: SRTP is required and the far end offers plain RTP",
                                 "");
        };
    const LinphoneErrorInfo* info = linphone_call_get_error_info(linphoneCall);
    const long code = info ? linphone_error_info_get_protocol_code(info) : 0;
    std::string reason = text(info ? linphone_error_info_get_phrase(info) : nullptr);
    const std::string detail = text(info ? linphone_error_info_get_warnings(info) : nullptr);
    if (std::string why = transportFailure(info); !why.empty()) reason = why;
    if (code == 401 || code == 407) reason = challengeReason(code, reason);
    // 408 means no final response came from the far end, whether the SIP
    // stack's own timer or a proxy's ran out: the call never connected.
    if (code == 0 || code == 408) return [=](SipEngineEvents& e) { e.OnConnectFailed(line); };
    if (code >= 400 && code < 500) return [=](SipEngineEvents& e) { e.OnFailureResponseA(line, code, reason, detail); };
    if (code >= 500 && code < 600) return [=](SipEngineEvents& e) { e.OnFailureResponseB(line, code, reason); };
    if (code >= 600 && code < 700) return [=](SipEngineEvents& e) { e.OnFailureResponseC(line, code, reason); };
    return [=](SipEngineEvents& e) { e.OnFailureResponseD(line, code, reason); };
}

void LinphoneEngine::callGone(EngineCall& call) {
    const int line = call.line;
    std::optional<Event> report;
    switch (call.state) {
    case CallState::Dialling:
    case CallState::Ringing: report = failureReport(call, call.handle.get()); break;
    case CallState::Answering:
    case CallState::Connected:
    case CallState::Held:
    // The far end hung up while our transfer was under way: the call is
    // over all the same, and the program ends it as any other.
    case CallState::Transferring: report = [line](SipEngineEvents& e) { e.OnHungUp(line); }; break;
    case CallState::Offered:
    case CallState::Ended: return;
    }
    endCall(line, std::move(report), false);
}

void LinphoneEngine::onCallState(LinphoneCall* linphoneCall, LinphoneCallState state) {
    if (state == LinphoneCallReleased) {
        // liblinphone would keep a log of every call, in memory and in its
        // database, without bound; the program writes its own call logs.
        linphone_core_clear_call_logs(core_);
    }
    if (state == LinphoneCallIncomingReceived) {
        offerIncoming(linphoneCall);
        return;
    }
    if (state == LinphoneCallStateReferred) {
        refuseReferral(linphoneCall);
        return;
    }
    EngineCall* call = callOf(linphoneCall);
    if (!call) {
        const bool talking = state == LinphoneCallConnected || state == LinphoneCallStreamsRunning ||
                             state == LinphoneCallUpdatedByRemote || state == LinphoneCallPausedByRemote;
        if (talking && linphoneCall != declinedReferral_.get() && strays_.size() < 64)
            strays_.push_back(CallHandle(linphoneCall));
        return;
    }
    if (call->state == CallState::Offered) {
        if (callEnded(state)) {  // the caller cancelled, or another device took it: its id is gone
            const std::string id = call->offerId;
            offered_.erase(id);
            queue([id](SipEngineEvents& e) { e.OnIncomingCallEnded(id); });
        }
        return;
    }
    const int line = call->line;
    switch (state) {
    case LinphoneCallOutgoingProgress:
        if (call->state == CallState::Dialling) {
            call->state = CallState::Ringing;
            queue([line](SipEngineEvents& e) { e.OnConnecting(line); });
        }
        break;
    case LinphoneCallOutgoingRinging:
    case LinphoneCallOutgoingEarlyMedia: {
        const LinphoneErrorInfo* info = linphone_call_get_error_info(linphoneCall);
        long code = info ? linphone_error_info_get_protocol_code(info) : 0;
        std::string reason = text(info ? linphone_error_info_get_phrase(info) : nullptr);
        if (code < 100 || code >= 200 || reason.empty()) {
            code = state == LinphoneCallOutgoingRinging ? 180 : 183;
            reason = code == 180 ? "Ringing" : "Session Progress";
        }
        queue([=](SipEngineEvents& e) { e.OnProvisionalResponse(line, code, reason); });
        break;
    }
    case LinphoneCallConnected: {
        const bool answered = call->state == CallState::Dialling || call->state == CallState::Ringing;
        if (answered && refusesPlainAnswer(linphoneCall)) {
            call->plainAnswerRefused = true;  // liblinphone ends the call at once
        } else if (answered || call->state == CallState::Answering) {
            call->state = CallState::Connected;
            const LinphoneAddress* remote = linphone_call_get_remote_address(linphoneCall);
            call->remote.number = text(remote ? linphone_address_get_username(remote) : nullptr);
            call->remote.name = text(remote ? linphone_address_get_display_name(remote) : nullptr);
            call->remote.uri = uriText(remote);
            const std::string number = call->remote.number;
            const std::string shown = call->remote.name.empty() ? number : call->remote.name;
            queue([=](SipEngineEvents& e) { e.OnConnected(line, shown, number); });
        }
        break;
    }
    case LinphoneCallStreamsRunning:
        applyCallAudio(line);
        if (call->recording) call->recording->streamsRunning(linphoneCall);
        if (call->recordWhenRunning && call->recording) {
            call->recordWhenRunning = false;
            call->recording->start(linphoneCall);
        }
        if (call->state == CallState::Held) call->state = CallState::Connected;  // a pause that did not hold
        break;
    case LinphoneCallPausing:
    case LinphoneCallPaused:
        if (call->resumeWhenPaused) {
            // Paused by liblinphone for a referral the engine refused, or
            // for a transfer that failed: back as it was.
            if (state == LinphoneCallPaused) {
                call->resumeWhenPaused = false;
                linphone_call_resume(linphoneCall);
            }
        } else if (call->state == CallState::Connected) {
            call->state = CallState::Held;
        }
        break;
    case LinphoneCallEnd:
    case LinphoneCallError: callGone(*call); break;
    default: break;
    }
}

std::string LinphoneEngine::callIdOf(LinphoneCall* call) {
    const LinphoneCallLog* log = linphone_call_get_call_log(call);
    return text(log ? linphone_call_log_get_call_id(log) : nullptr);
}

// What the far end answered to our REFER and said in its NOTIFYs: a 202 or
// a provisional NOTIFY means it took the transfer on; a refusal's code is
// kept for the failure liblinphone reports next.
void LinphoneEngine::readTransferNews(EngineCall& call) {
    if (!call.transfer || !call.handle) return;
    for (const ReferNews& news : takeReferNews(callIdOf(call.handle.get()))) {
        if (news.code >= 300) {
            call.transfer->failure = std::make_pair(news.code, news.reason);
        } else if (news.kind == ReferNews::Kind::Notify || (news.code >= 200 && news.code < 300)) {
            acceptTransfer(call);
        }
    }
}

void LinphoneEngine::acceptTransfer(EngineCall& call) {
    if (!call.transfer->acceptedAt) call.transfer->acceptedAt = loop_.tickCount();
    if (call.transfer->acceptedTold) return;
    call.transfer->acceptedTold = true;
    const int line = call.line;
    queue([line](SipEngineEvents& e) { e.OnTransferAccepted(line); });
}

// A transfer that failed leaves the call as it was before it: talking (or
// held by the agent), and resumed when liblinphone paused it for the REFER.
void LinphoneEngine::failTransfer(EngineCall& call) {
    long code = 0;
    std::string reason = "Transfer failed";
    if (call.transfer->failure) std::tie(code, reason) = *call.transfer->failure;
    if (code == 401 || code == 407) reason = challengeReason(code, reason);
    if (reason.empty()) reason = "Transfer failed";
    call.state = call.transfer->before;
    call.transfer.reset();
    const LinphoneCallState now = linphone_call_get_state(call.handle.get());
    if (call.state != CallState::Held && (now == LinphoneCallPausing || now == LinphoneCallPaused)) {
        if (now == LinphoneCallPaused)
            linphone_call_resume(call.handle.get());
        else
            call.resumeWhenPaused = true;
    }
    const int line = call.line;
    queue([=](SipEngineEvents& e) { e.OnTransferFailed(line, code, reason); });
}

// The far end took the transfer on and then said nothing final for too
// long: the engine ends our leg itself, as if the transfer went through.
void LinphoneEngine::checkTransfers() {
    const std::uint32_t now = loop_.tickCount();
    const auto limit = static_cast<std::uint32_t>(options_.transferOutcomeSeconds) * 1000u;
    for (Line& l : lines_) {
        EngineCall* call = l.call.get();
        if (!call || call->state != CallState::Transferring) continue;
        readTransferNews(*call);
        if (call->transfer && call->transfer->acceptedAt && now - *call->transfer->acceptedAt >= limit) {
            const int line = call->line;
            endCall(
                line, [line](SipEngineEvents& e) { e.OnHungUp(line); }, true);
        }
    }
}

void LinphoneEngine::onTransferState(LinphoneCall* linphoneCall, LinphoneCallState state) {
    EngineCall* call = callOf(linphoneCall);
    if (!call || call->state != CallState::Transferring) return;
    readTransferNews(*call);
    const int line = call->line;
    switch (state) {
    case LinphoneCallOutgoingProgress:
    case LinphoneCallOutgoingRinging: acceptTransfer(*call); break;
    case LinphoneCallConnected:
        // The far end reached the target: our leg is done (liblinphone
        // ends it too), and the program ends the call as a hang-up.
        acceptTransfer(*call);
        endCall(
            line, [line](SipEngineEvents& e) { e.OnHungUp(line); }, true);
        break;
    case LinphoneCallError: failTransfer(*call); break;
    default: break;
    }
}

void LinphoneEngine::onDtmf(LinphoneCall* linphoneCall, int digit) {
    EngineCall* call = callOf(linphoneCall);
    if (!call || call->line < 0) return;
    const int line = call->line;
    const std::string text(1, static_cast<char>(digit));
    queue([=](SipEngineEvents& e) { e.OnDtmfDigit(line, text); });
}

}  // namespace velmora::engine
