#include "SimulatedEngine.h"

#include <algorithm>
#include <fstream>

namespace velmora::engine {

void SimulatedEngine::later(std::function<void(SipEngineEvents&)> event) {
    loop_.post([this, event] {
        if (events()) event(*events());
    });
}

bool SimulatedEngine::refuse(long code) {
    error_ = code;
    overridden_ = true;
    return false;
}

long SimulatedEngine::GetLastEngineError() { return overridden_ ? error_ : RecordingEngine::GetLastEngineError(); }

void SimulatedEngine::start(int line, SimCall call) {
    // The ended call's store is gone from the line's reach once another starts.
    if (lines_[line].last && !lines_[line].last->store.empty()) lostTags_.push_back(lines_[line].last->tag);
    lines_[line].last.reset();
    targets_[call.tag] = call.target;
    lines_[line].call = std::move(call);
}

void SimulatedEngine::release(int line) {
    Line& l = lines_[line];
    if (!l.call) return;
    l.call->recording = false;
    l.last = std::move(l.call);
    l.call.reset();
}

SimulatedEngine::SimCall* SimulatedEngine::recordingCall(int line) {
    if (!valid(line)) return nullptr;
    if (lines_[line].call) return &*lines_[line].call;
    if (lines_[line].last) return &*lines_[line].last;
    return nullptr;
}

void SimulatedEngine::ShutdownEngine() {
    RecordingEngine::ShutdownEngine();
    for (int line = 0; line < kLines; ++line) {
        release(line);
        if (lines_[line].last && !lines_[line].last->store.empty()) lostTags_.push_back(lines_[line].last->tag);
        lines_[line].last.reset();
    }
}

std::string SimulatedEngine::offer(const std::string& number) {
    const std::string id = "call-" + std::to_string(nextTag_);
    SimCall call;
    call.tag = nextTag_++;
    call.target = number;
    offered_[id] = call;
    offerOrder_.push_back(id);
    later([id, number](SipEngineEvents& e) { e.OnIncomingCall(id, "", number, "sip:" + number + "@test", ""); });
    return id;
}

void SimulatedEngine::cancelOffer(const std::string& id) {
    if (!offered_.erase(id)) return;
    offerOrder_.erase(std::find(offerOrder_.begin(), offerOrder_.end(), id));
    later([id](SipEngineEvents& e) { e.OnIncomingCallEnded(id); });
}

std::vector<std::string> SimulatedEngine::offeredIds() const { return offerOrder_; }

void SimulatedEngine::answer(int line) {
    auto& call = lines_[line].call;
    if (!call || call->state != State::Dialling) return;
    call->state = State::Connected;
    const std::string number = call->target;
    later([line, number](SipEngineEvents& e) { e.OnConnected(line, number, number); });
}

void SimulatedEngine::hangUp(int line) {
    if (!lines_[line].call) return;
    release(line);
    later([line](SipEngineEvents& e) { e.OnHungUp(line); });
}

void SimulatedEngine::refuse(int line, long code, const std::string& reason) {
    auto& call = lines_[line].call;
    if (!call || call->state != State::Dialling) return;
    release(line);
    later([line, code, reason](SipEngineEvents& e) { e.OnFailureResponseA(line, code, reason, ""); });
}

void SimulatedEngine::takeTransfer(int line, bool accepted) {
    auto& call = lines_[line].call;
    if (!call || call->state != State::Transferring) return;
    if (!accepted) {
        call->state = State::Connected;
        later([line](SipEngineEvents& e) { e.OnTransferFailed(line, 603, "Decline"); });
        return;
    }
    release(line);
    later([line](SipEngineEvents& e) {
        e.OnTransferAccepted(line);
        e.OnHungUp(line);
    });
}

bool SimulatedEngine::Dial(int line, const std::string& target, long in, long out) {
    overridden_ = false;
    if (!RecordingEngine::Dial(line, target, in, out)) return false;
    if (!valid(line)) return refuse(kInvalidLine);
    if (lines_[line].call) return refuse(kLineBusy);
    SimCall call;
    call.tag = nextTag_++;
    call.target = target;
    start(line, call);
    return true;
}

bool SimulatedEngine::DisconnectLine(int line) {
    overridden_ = false;
    if (!RecordingEngine::DisconnectLine(line)) return false;
    if (!valid(line)) return refuse(kInvalidLine);
    release(line);
    return true;
}

bool SimulatedEngine::AcceptCall(int line, const std::string& callId, long in, long out) {
    overridden_ = false;
    if (!RecordingEngine::AcceptCall(line, callId, in, out)) return false;
    if (!valid(line)) return refuse(kInvalidLine);
    if (lines_[line].call) return refuse(kLineBusy);
    const auto offered = offered_.find(callId);
    if (offered == offered_.end()) return refuse(kInvalidCallId);
    SimCall call = offered->second;
    offered_.erase(offered);
    offerOrder_.erase(std::find(offerOrder_.begin(), offerOrder_.end(), callId));
    call.state = State::Connected;
    const std::string number = call.target;
    start(line, call);
    later([line, number](SipEngineEvents& e) { e.OnConnected(line, number, number); });
    return true;
}

bool SimulatedEngine::RejectCall(const std::string& callId) {
    overridden_ = false;
    if (!RecordingEngine::RejectCall(callId)) return false;
    if (!offered_.erase(callId)) return refuse(kInvalidCallId);
    offerOrder_.erase(std::find(offerOrder_.begin(), offerOrder_.end(), callId));
    return true;
}

bool SimulatedEngine::HoldLine(int line) {
    overridden_ = false;
    if (!RecordingEngine::HoldLine(line)) return false;
    if (!valid(line) || !lines_[line].call || lines_[line].call->state != State::Connected)
        return refuse(kNoVoiceSession);
    lines_[line].call->state = State::Held;
    return true;
}

bool SimulatedEngine::UnholdLine(int line) {
    overridden_ = false;
    if (!RecordingEngine::UnholdLine(line)) return false;
    if (!valid(line) || !lines_[line].call || lines_[line].call->state != State::Held) return refuse(kNoVoiceSession);
    lines_[line].call->state = State::Connected;
    return true;
}

bool SimulatedEngine::IsLineOpen(int line) {
    RecordingEngine::IsLineOpen(line);
    return valid(line);
}

bool SimulatedEngine::IsLineBusy(int line) {
    RecordingEngine::IsLineBusy(line);
    return valid(line) && lines_[line].call.has_value();
}

bool SimulatedEngine::IsLineOnHold(int line) {
    RecordingEngine::IsLineOnHold(line);
    return valid(line) && lines_[line].call && lines_[line].call->state == State::Held;
}

bool SimulatedEngine::TransferCall(int line, const std::string& target) {
    overridden_ = false;
    if (!RecordingEngine::TransferCall(line, target)) return false;
    if (!valid(line) || !lines_[line].call || lines_[line].call->state != State::Connected)
        return refuse(kNoVoiceSession);
    lines_[line].call->state = State::Transferring;
    return true;
}

bool SimulatedEngine::JoinLines(int lineA, int lineB) {
    overridden_ = false;
    if (!RecordingEngine::JoinLines(lineA, lineB)) return false;
    for (const int line : {lineA, lineB})
        if (!valid(line) || !lines_[line].call || lines_[line].call->state == State::Dialling)
            return refuse(kNoVoiceSession);
    for (const int line : {lineA, lineB}) lines_[line].call->state = State::Connected;
    return true;
}

bool SimulatedEngine::StartLineRecording(int line, int mode, bool mixed) {
    overridden_ = false;
    if (!RecordingEngine::StartLineRecording(line, mode, mixed)) return false;
    if (!valid(line) || !lines_[line].call || lines_[line].call->state == State::Dialling)
        return refuse(kNoVoiceSession);
    SimCall& call = *lines_[line].call;
    if (!call.recording) call.store.push_back(call.tag);  // what it records from now on
    call.recording = true;
    return true;
}

bool SimulatedEngine::PauseLineRecording(int line) {
    overridden_ = false;
    if (!RecordingEngine::PauseLineRecording(line)) return false;
    if (SimCall* call = recordingCall(line)) call->recording = false;
    return true;
}

bool SimulatedEngine::IsLineRecording(int line) {
    RecordingEngine::IsLineRecording(line);
    return valid(line) && lines_[line].call && lines_[line].call->recording;
}

void SimulatedEngine::ResetRecording(int line) {
    RecordingEngine::ResetRecording(line);
    if (SimCall* call = recordingCall(line)) {
        call->store.clear();
        if (call->recording) call->store.push_back(call->tag);
    }
}

bool SimulatedEngine::SaveRecording(int line, const std::string& path) {
    overridden_ = false;
    if (!RecordingEngine::SaveRecording(line, path)) return false;
    SimCall* call = recordingCall(line);
    if (!call || call->store.empty()) return refuse(kNoVoiceSession);
    saved_[path] = call->store;
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    for (const int tag : call->store) file << tag << '\n';
    return file.good() ? true : refuse(kWaveWriteFailed);
}

}  // namespace velmora::engine
