#include "LinphoneEngine.h"

#include "CallStates.h"
#include "NetworkProbe.h"
#include "SipTargets.h"

#include <linphone/api/c-address.h>
#include <linphone/api/c-call.h>
#include <linphone/call_params.h>
#include <linphone/factory.h>

#include <cctype>
#include <cstdint>

namespace velmora::engine {

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
    if (dialingLine_ >= 0 && !callEnded(linphone_call_get_state(call))) {
        Line& line = lines_[dialingLine_];
        line.call = linphone_call_ref(call);
        linphone_call_set_user_data(call, reinterpret_cast<void*>(std::intptr_t{dialingLine_} + 1));
        return &line;
    }
    return nullptr;
}

void LinphoneEngine::releaseLineCall(Line& line) {
    if (line.call) {
        releasePlayback(lineIndex(line));
        releaseRecording(lineIndex(line));
        linphone_call_unref(line.call);
    }
    Line fresh;
    fresh.open = line.open;
    fresh.rtpPort = line.rtpPort;
    fresh.inbandDtmf = line.inbandDtmf;
    fresh.micMuted = line.micMuted;
    fresh.speakerMuted = line.speakerMuted;
    line = fresh;
}

// liblinphone opens an offered call's media when the INVITE arrives, before
// the program picks a line: offered calls get the RTP port of the first free
// line.
void LinphoneEngine::useFreeLinePortForOffers() {
    for (const Line& l : lines_)
        if (l.open && !l.call) {
            // Whether another program took the port is asked a few times a
            // second, not on every pump.
            constexpr std::uint32_t kRecheckMs = 250;
            const std::uint32_t now = loop_.tickCount();
            if (l.rtpPort == offerPort_ && now - offerPortCheckedAt_ < kRecheckMs) return;
            useAudioPort(l.rtpPort);
            offerPort_ = l.rtpPort;
            offerPortCheckedAt_ = now;
            return;
        }
}

void LinphoneEngine::useAudioPort(long port) {
    // The line's ports were free when it was opened, but another program on
    // this machine (a second agent's phone on a shared desktop, for one) may
    // hold them by now: liblinphone then takes a free pair of its own (-1).
    offerPort_ = -1;  // a call's own port: offers ask again
    const int wanted =
        udpPortFree(static_cast<int>(port)) && udpPortFree(static_cast<int>(port + 1)) ? static_cast<int>(port) : -1;
    if (wanted == audioPort_) return;
    audioPort_ = wanted;
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
    if (!udpPortFree(static_cast<int>(rtpPort)) || !udpPortFree(static_cast<int>(rtpPort + 1))) return fail(kPortInUse);
    target.open = true;
    target.rtpPort = rtpPort;
    return ok();
}

bool LinphoneEngine::IsLineOpen(int line) {
    if (!core_) return fail(kNotOnline);
    if (line < 0 || line >= static_cast<int>(lines_.size())) return fail(kInvalidLine);
    return lines_[line].open;
}

bool LinphoneEngine::IsLineBusy(int line) {
    if (!checkLine(line)) return false;
    return lines_[line].call != nullptr;
}

bool LinphoneEngine::IsLineOnHold(int line) {
    if (!checkLine(line)) return false;
    return lines_[line].call && callHeld(lines_[line].call);
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
    if (!securityProblem_.empty()) return fail(kConnectRequestFailed);  // nothing over unchecked TLS
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
    enableEncryptionOffer(params);
    setRecordFile(params, line);
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
    const bool done = callEnded(linphone_call_get_state(call)) || linphone_call_terminate(call) == 0;
    linphone_call_unref(call);
    hurry();
    return done ? ok() : fail(kDisconnectRequestFailed);
}

bool LinphoneEngine::AcceptCall(int line, const std::string& callId, long inputDevice, long outputDevice) {
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
    enableEncryptionOffer(params);
    setRecordFile(params, line);
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
    if (!l.call || !l.connected || callHeld(l.call)) return fail(kNoVoiceSession);
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
        std::string_view("0123456789*#ABCD")
                .find(static_cast<char>(std::toupper(static_cast<unsigned char>(digit[0])))) == std::string_view::npos)
        return fail(kInvalidValue);
    Line& l = lines_[line];
    if (!l.call || !l.connected) return fail(kNoVoiceSession);
    // RFC 2833 events when the call negotiated them, else tones in the audio.
    const int status =
        linphone_call_send_dtmf(l.call, static_cast<char>(std::toupper(static_cast<unsigned char>(digit[0]))));
    return status == 0 ? ok() : fail(kNoVoiceSession);
}

}  // namespace velmora::engine
