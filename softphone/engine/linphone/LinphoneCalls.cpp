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

EngineCall* LinphoneEngine::callOf(LinphoneCall* call) {
    for (Line& line : lines_)
        if (line.call && line.call->handle.get() == call) return line.call.get();
    for (auto& [id, offered] : offered_)
        if (offered->handle.get() == call) return offered.get();
    // The first states of a call arrive from inside invite, before Dial has
    // the call in hand.
    if (dialingLine_ >= 0 && !callEnded(linphone_call_get_state(call))) {
        EngineCall* dialled = lines_[dialingLine_].call.get();
        if (dialled && !dialled->handle && !dialled->ended()) {
            dialled->handle = CallHandle(call);
            return dialled;
        }
    }
    return nullptr;
}

EngineCall* LinphoneEngine::liveCall(int line) {
    EngineCall* call = lines_[line].call.get();
    return call && call->handle && call->live() ? call : nullptr;
}

std::unique_ptr<EngineCall> LinphoneEngine::newCall(CallDirection direction, CallState state) {
    auto call = std::make_unique<EngineCall>(++lastSerial_, direction, state);
    call->startedAt = loop_.tickCount();
    return call;
}

// The call's recording files take a serial number no file of the folder
// has: nothing an earlier call or run left can be appended to.
void LinphoneEngine::createRecording(EngineCall& call) const {
    const auto folder = recordingFolder();
    std::uint64_t serial = call.serial;
    std::error_code ignored;
    auto taken = [&](std::uint64_t n) {
        const std::string name = "call-" + std::to_string(n);
        return std::filesystem::exists(folder / (name + ".pcm"), ignored) ||
               std::filesystem::exists(folder / (name + ".wav"), ignored) ||
               std::filesystem::exists(folder / (name + ".number"), ignored);
    };
    while (taken(serial)) serial += 1000;
    call.recording = std::make_unique<CallRecording>(folder, serial, call.remote.number);
}

EngineCall& LinphoneEngine::placeCall(int line, std::unique_ptr<EngineCall> call) {
    Line& l = lines_[line];
    l.ended.reset();  // superseded: what it recorded and did not save is kept apart
    call->line = line;
    l.call = std::move(call);
    return *l.call;
}

void LinphoneEngine::endCall(int line, std::optional<Event> report, bool terminate) {
    Line& l = lines_[line];
    if (!l.call) return;
    std::unique_ptr<EngineCall> call = std::move(l.call);
    call->state = CallState::Ended;
    call->transfer.reset();
    if (l.playback) l.playback->callGone();
    if (call->recording) {
        call->recording->endStretch(call->handle.get(), true);
        call->recording->ended();
    }
    if (report) queue(std::move(*report));
    // Off the line before liblinphone hears of it: the states its end
    // raises find no call of ours.
    CallHandle handle = std::move(call->handle);
    l.ended = std::move(call);
    if (terminate && handle && !callEnded(linphone_call_get_state(handle.get()))) linphone_call_terminate(handle.get());
    hurry();
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
    const EngineCall* call = lines_[line].call.get();
    return call && call->state == CallState::Held;
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

    auto created = newCall(CallDirection::Outgoing, CallState::Dialling);
    created->inputDevice = inputDevice;
    created->outputDevice = outputDevice;
    created->remote.number = linphone_address_get_username(address) ? linphone_address_get_username(address) : "";
    char* uri = linphone_address_as_string_uri_only(address);
    created->remote.uri = uri ? uri : "";
    bctbx_free(uri);
    createRecording(*created);
    EngineCall& call = placeCall(line, std::move(created));
    useAudioPort(l.rtpPort);
    LinphoneCallParams* params = linphone_core_create_call_params(core_, nullptr);
    linphone_call_params_enable_video(params, FALSE);
    enableEncryptionOffer(params);
    linphone_call_params_set_record_file(params, call.recording->stretchFile().c_str());
    dialingLine_ = line;
    offerTelephoneEvents(!l.inbandDtmf);
    LinphoneCall* placed = linphone_core_invite_address_with_params(core_, address, params);
    offerTelephoneEvents(true);
    dialingLine_ = -1;
    linphone_call_params_unref(params);
    linphone_address_unref(address);
    if (!placed) {
        if (l.call && !l.call->handle) l.call.reset();  // nothing happened: nothing to report or keep
        endCall(line, std::nullopt, true);
        return fail(kConnectRequestFailed);
    }
    if (l.call && !l.call->handle) l.call->handle = CallHandle(placed);
    if (l.call && l.call->handle.get() == placed) applyCallAudio(line);
    hurry();
    return ok();
}

bool LinphoneEngine::DisconnectLine(int line) {
    if (!checkLine(line)) return false;
    Line& l = lines_[line];
    // An open line without a call (one whose call just failed, say) is
    // already free: the program's own hang-up path relies on that.
    if (!l.call) return ok();
    CallHandle call = l.call->handle;
    endCall(line, std::nullopt, false);  // free at once; later states of the call are ignored
    const bool done =
        !call || callEnded(linphone_call_get_state(call.get())) || linphone_call_terminate(call.get()) == 0;
    return done ? ok() : fail(kDisconnectRequestFailed);
}

bool LinphoneEngine::AcceptCall(int line, const std::string& callId, long inputDevice, long outputDevice) {
    if (!checkLine(line)) return false;
    Line& l = lines_[line];
    if (l.call) return fail(kLineBusy);
    const auto offered = offered_.find(callId);
    if (offered == offered_.end()) return fail(kInvalidCallId);
    if (!validDevice(inputDevice, true) || !validDevice(outputDevice, false)) return fail(kInvalidValue);
    std::unique_ptr<EngineCall> taken = std::move(offered->second);
    offered_.erase(offered);
    taken->state = CallState::Answering;
    taken->inputDevice = inputDevice;
    taken->outputDevice = outputDevice;
    taken->startedAt = loop_.tickCount();
    createRecording(*taken);
    EngineCall& call = placeCall(line, std::move(taken));
    LinphoneCallParams* params = linphone_core_create_call_params(core_, call.handle.get());
    linphone_call_params_enable_video(params, FALSE);
    enableEncryptionOffer(params);
    linphone_call_params_set_record_file(params, call.recording->stretchFile().c_str());
    offerTelephoneEvents(!l.inbandDtmf);
    const int status = linphone_call_accept_with_params(call.handle.get(), params);
    offerTelephoneEvents(true);
    linphone_call_params_unref(params);
    if (status != 0) {
        endCall(line, std::nullopt, true);
        return fail(kInvalidCallId);
    }
    applyCallAudio(line);
    hurry();
    return ok();
}

bool LinphoneEngine::RejectCall(const std::string& callId) {
    if (!core_) return fail(kNotOnline);
    const auto offered = offered_.find(callId);
    if (offered == offered_.end()) return fail(kInvalidCallId);
    const std::unique_ptr<EngineCall> call = std::move(offered->second);
    offered_.erase(offered);
    call->state = CallState::Ended;
    linphone_call_decline(call->handle.get(), LinphoneReasonDeclined);  // 603 Decline
    hurry();
    return ok();
}

bool LinphoneEngine::HoldLine(int line) {
    if (!checkLine(line)) return false;
    EngineCall* call = liveCall(line);
    if (!call || call->state != CallState::Connected || callHeld(call->handle.get())) return fail(kNoVoiceSession);
    hurry();
    if (linphone_call_pause(call->handle.get()) != 0) return fail(kNoVoiceSession);
    call->state = CallState::Held;
    return ok();
}

bool LinphoneEngine::UnholdLine(int line) {
    if (!checkLine(line)) return false;
    EngineCall* call = liveCall(line);
    if (!call || call->state != CallState::Held || linphone_call_get_state(call->handle.get()) != LinphoneCallPaused)
        return fail(kNoVoiceSession);
    hurry();
    if (linphone_call_resume(call->handle.get()) != 0) return fail(kNoVoiceSession);
    call->state = CallState::Connected;
    return ok();
}

bool LinphoneEngine::TransferCall(int line, const std::string& target) {
    if (!checkLine(line)) return false;
    EngineCall* call = liveCall(line);
    if (!call || call->state == CallState::Transferring) return fail(kNoVoiceSession);
    LinphoneAddress* address = parseTarget(target);
    if (!address) return fail(kInvalidUri);
    EngineCall::Transfer transfer;
    transfer.before = call->state;
    call->transfer = std::move(transfer);
    call->state = CallState::Transferring;
    const int status = linphone_call_transfer_to(call->handle.get(), address);
    linphone_address_unref(address);
    if (status != 0) {
        call->state = call->transfer->before;
        call->transfer.reset();
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
    EngineCall* call = liveCall(line);
    if (!call) return fail(kNoVoiceSession);
    // RFC 2833 events when the call negotiated them, else tones in the audio.
    const int status = linphone_call_send_dtmf(call->handle.get(),
                                               static_cast<char>(std::toupper(static_cast<unsigned char>(digit[0]))));
    return status == 0 ? ok() : fail(kNoVoiceSession);
}

}  // namespace velmora::engine
