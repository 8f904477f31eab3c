#include "LinphoneEngine.h"

#include "NetworkProbe.h"
#include "SipTargets.h"

#include <linphone/api/c-address.h>
#include <linphone/call_log.h>
#include <linphone/api/c-call.h>
#include <linphone/call_params.h>
#include <linphone/factory.h>

#include <bctoolbox/port.h>

#include <cctype>
#include <cstdint>

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

bool ended(LinphoneCallState state) {
    return state == LinphoneCallEnd || state == LinphoneCallError || state == LinphoneCallReleased;
}

bool held(LinphoneCall* call) {
    const LinphoneCallState state = linphone_call_get_state(call);
    return state == LinphoneCallPausing || state == LinphoneCallPaused;
}

}  // namespace

bool LinphoneEngine::checkLine(int line) {
    if (!core_) return fail(kNotOnline);
    if (line < 0 || line >= static_cast<int>(lines_.size())) return fail(kInvalidLine);
    if (!lines_[line].open) return fail(kLineNotOpen);
    return true;
}

LinphoneEngine::Line* LinphoneEngine::lineOf(LinphoneCall* call) {
    if (void* data = linphone_call_get_user_data(call)) {
        const auto index = static_cast<std::size_t>(reinterpret_cast<std::intptr_t>(data) - 1);
        if (index < lines_.size() && lines_[index].call == call) return &lines_[index];
        return nullptr;
    }
    // The first states of a call arrive from inside invite, before Dial has
    // the call in hand.
    if (dialingLine_ >= 0 && !ended(linphone_call_get_state(call))) {
        Line& line = lines_[dialingLine_];
        line.call = linphone_call_ref(call);
        linphone_call_set_user_data(call, reinterpret_cast<void*>(std::intptr_t{dialingLine_} + 1));
        return &line;
    }
    return nullptr;
}

void LinphoneEngine::releaseLineCall(Line& line) {
    if (line.call) linphone_call_unref(line.call);
    Line fresh;
    fresh.open = line.open;
    fresh.rtpPort = line.rtpPort;
    fresh.inbandDtmf = line.inbandDtmf;
    fresh.micMuted = line.micMuted;
    fresh.speakerMuted = line.speakerMuted;
    line = fresh;
}

void LinphoneEngine::useAudioPort(long port) {
    if (port == audioPort_) return;
    audioPort_ = static_cast<int>(port);
    linphone_core_set_audio_port(core_, audioPort_);
}

bool LinphoneEngine::OpenLine(int line, bool, const std::string&, long rtpPort) {
    if (!core_) return fail(kNotOnline);
    if (line < 0 || line >= static_cast<int>(lines_.size())) return fail(kInvalidLine);
    if (rtpPort <= 0 || rtpPort >= 65535) return fail(kInvalidValue);
    Line& target = lines_[line];
    if (target.call) return fail(kLineBusy);
    for (const Line& other : lines_)
        if (&other != &target && other.open && std::abs(other.rtpPort - rtpPort) < 2) return fail(kPortInUse);
    // RTP and RTCP (port + 1) must both be free.
    if (!udpPortFree(static_cast<int>(rtpPort)) || !udpPortFree(static_cast<int>(rtpPort + 1)))
        return fail(kPortInUse);
    target.open = true;
    target.rtpPort = rtpPort;
    return ok();
}

bool LinphoneEngine::IsLineOpen(int line) {
    if (!core_) return fail(kNotOnline);
    if (line < 0 || line >= static_cast<int>(lines_.size())) return fail(kInvalidLine);
    ok();
    return lines_[line].open;
}

bool LinphoneEngine::IsLineBusy(int line) {
    if (!checkLine(line)) return false;
    ok();
    return lines_[line].call != nullptr;
}

bool LinphoneEngine::IsLineOnHold(int line) {
    if (!checkLine(line)) return false;
    ok();
    return lines_[line].call && held(lines_[line].call);
}

LinphoneAddress* LinphoneEngine::parseTarget(const std::string& target) {
    const auto uri = targetUri(target, domain_);
    if (!uri) return nullptr;
    return linphone_factory_create_address(linphone_factory_get(), uri->c_str());
}

bool LinphoneEngine::Dial(int line, const std::string& target, long inputDevice, long outputDevice) {
    if (!checkLine(line)) return false;
    Line& l = lines_[line];
    if (l.call) return fail(kLineBusy);
    if (!validDevice(inputDevice, true) || !validDevice(outputDevice, false)) return fail(kInvalidValue);
    LinphoneAddress* address = parseTarget(target);
    if (!address) return fail(kInvalidUri);

    releaseLineCall(l);
    l.outgoing = true;
    l.startedAt = loop_.tickCount();
    l.inputDevice = inputDevice;
    l.outputDevice = outputDevice;
    useAudioPort(l.rtpPort);
    LinphoneCallParams* params = linphone_core_create_call_params(core_, nullptr);
    linphone_call_params_enable_video(params, FALSE);
    dialingLine_ = line;
    offerTelephoneEvents(!l.inbandDtmf);
    LinphoneCall* call = linphone_core_invite_address_with_params(core_, address, params);
    offerTelephoneEvents(true);
    dialingLine_ = -1;
    linphone_call_params_unref(params);
    linphone_address_unref(address);
    if (!call) {
        releaseLineCall(l);
        return fail(kConnectRequestFailed);
    }
    if (l.call == call) applyCallAudio(l);
    hurry();
    return ok();
}

bool LinphoneEngine::DisconnectLine(int line) {
    if (!checkLine(line)) return false;
    Line& l = lines_[line];
    // An open line without a call (one whose call just failed, say) is
    // already free: the program's own hang-up path relies on that.
    if (!l.call) return ok();
    l.endedByUs = true;
    LinphoneCall* call = linphone_call_ref(l.call);
    releaseLineCall(l);  // free at once; later states of the call are ignored
    const bool done = ended(linphone_call_get_state(call)) || linphone_call_terminate(call) == 0;
    linphone_call_unref(call);
    hurry();
    return done ? ok() : fail(kDisconnectRequestFailed);
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

bool LinphoneEngine::AcceptCall(int line, const std::string& callId, long inputDevice,
                                long outputDevice) {
    if (!checkLine(line)) return false;
    Line& l = lines_[line];
    if (l.call) return fail(kLineBusy);
    const auto offered = offered_.find(callId);
    if (offered == offered_.end()) return fail(kInvalidCallId);
    if (!validDevice(inputDevice, true) || !validDevice(outputDevice, false)) return fail(kInvalidValue);
    LinphoneCall* call = offered->second;  // its reference passes to the line
    offered_.erase(offered);
    releaseLineCall(l);
    l.call = call;
    l.inputDevice = inputDevice;
    l.outputDevice = outputDevice;
    l.startedAt = loop_.tickCount();
    linphone_call_set_user_data(call, reinterpret_cast<void*>(std::intptr_t{line} + 1));
    LinphoneCallParams* params = linphone_core_create_call_params(core_, call);
    linphone_call_params_enable_video(params, FALSE);
    offerTelephoneEvents(!l.inbandDtmf);
    const int status = linphone_call_accept_with_params(call, params);
    offerTelephoneEvents(true);
    linphone_call_params_unref(params);
    if (status != 0) {
        releaseLineCall(l);
        return fail(kInvalidCallId);
    }
    applyCallAudio(l);
    hurry();
    return ok();
}

bool LinphoneEngine::RejectCall(const std::string& callId) {
    if (!core_) return fail(kNotOnline);
    const auto offered = offered_.find(callId);
    if (offered == offered_.end()) return fail(kInvalidCallId);
    LinphoneCall* call = offered->second;
    offered_.erase(offered);
    linphone_call_decline(call, LinphoneReasonDeclined);  // 603 Decline
    linphone_call_unref(call);
    hurry();
    return ok();
}

bool LinphoneEngine::HoldLine(int line) {
    if (!checkLine(line)) return false;
    Line& l = lines_[line];
    if (!l.call || !l.connected || held(l.call)) return fail(kNoVoiceSession);
    hurry();
    return linphone_call_pause(l.call) == 0 ? ok() : fail(kNoVoiceSession);
}

bool LinphoneEngine::UnholdLine(int line) {
    if (!checkLine(line)) return false;
    Line& l = lines_[line];
    if (!l.call || linphone_call_get_state(l.call) != LinphoneCallPaused) return fail(kNoVoiceSession);
    hurry();
    return linphone_call_resume(l.call) == 0 ? ok() : fail(kNoVoiceSession);
}

bool LinphoneEngine::TransferCall(int line, const std::string& target) {
    if (!checkLine(line)) return false;
    Line& l = lines_[line];
    if (!l.call || !l.connected) return fail(kNoVoiceSession);
    LinphoneAddress* address = parseTarget(target);
    if (!address) return fail(kInvalidUri);
    l.transferring = true;
    l.transferReported = false;
    const int status = linphone_call_transfer_to(l.call, address);
    linphone_address_unref(address);
    if (status != 0) {
        l.transferring = false;
        return fail(kConnectRequestFailed);
    }
    hurry();
    return ok();
}

bool LinphoneEngine::ForwardCalls(bool on, const std::string& target) {
    if (!core_) return fail(kNotOnline);
    if (on && !targetUri(target, domain_)) return fail(kInvalidUri);
    forwarding_ = on;
    forwardTarget_ = on ? target : std::string();
    return ok();
}

void LinphoneEngine::setInband(int line, bool on) {
    if (line >= 0 && line < static_cast<int>(lines_.size())) lines_[line].inbandDtmf = on;
}

bool LinphoneEngine::SendDtmfDigit(int line, const std::string& digit) {
    if (!checkLine(line)) return false;
    if (digit.size() != 1 ||
        std::string_view("0123456789*#ABCD").find(static_cast<char>(std::toupper(
            static_cast<unsigned char>(digit[0])))) == std::string_view::npos)
        return fail(kInvalidValue);
    Line& l = lines_[line];
    if (!l.call || !l.connected) return fail(kNoVoiceSession);
    // RFC 2833 events when the call negotiated them, else tones in the audio.
    const int status = linphone_call_send_dtmf(
        l.call, static_cast<char>(std::toupper(static_cast<unsigned char>(digit[0]))));
    return status == 0 ? ok() : fail(kNoVoiceSession);
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
    // Offered calls get the RTP port of the first free line.
    for (const Line& l : lines_)
        if (l.open && !l.call) {
            useAudioPort(l.rtpPort);
            break;
        }
}

void LinphoneEngine::reportFailure(Line& l, LinphoneCall* call) {
    const int line = lineIndex(l);
    const LinphoneErrorInfo* info = linphone_call_get_error_info(call);
    const long code = info ? linphone_error_info_get_protocol_code(info) : 0;
    std::string reason = text(info ? linphone_error_info_get_phrase(info) : nullptr);
    const std::string detail = text(info ? linphone_error_info_get_warnings(info) : nullptr);
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
        // liblinphone keeps a log of every call in memory and in its database,
        // tens of kilobytes each; the program writes its own call logs.
        linphone_core_clear_call_logs(core_);
    }
    if (state == LinphoneCallIncomingReceived) {
        offerIncoming(call);
        return;
    }
    Line* l = lineOf(call);
    if (!l) {
        if (ended(state)) {  // an offered call the caller cancelled: its id is gone
            for (auto it = offered_.begin(); it != offered_.end(); ++it)
                if (it->second == call) {
                    linphone_call_unref(it->second);
                    offered_.erase(it);
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
            if (!l->connected) {
                l->connected = true;
                const LinphoneAddress* remote = linphone_call_get_remote_address(call);
                const std::string number = text(remote ? linphone_address_get_username(remote) : nullptr);
                std::string shown = text(remote ? linphone_address_get_display_name(remote) : nullptr);
                if (shown.empty()) shown = number;
                queue([=](SipEngineEvents& e) { e.OnConnected(line, shown, number); });
            }
            break;
        case LinphoneCallStreamsRunning:
            applyCallAudio(*l);
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
        default:
            break;
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
            if (state == LinphoneCallConnected && !ended(linphone_call_get_state(call))) {
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
        default:
            break;
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
