#include "RecordingEngine.h"

#include <algorithm>
#include <stdexcept>

namespace velmora::engine {
namespace {

std::string s(long v) { return std::to_string(v); }
std::string b(bool v) { return v ? "True" : "False"; }

}  // namespace

std::string RecordingEngine::Call::text() const {
    std::string out = name + "(";
    for (std::size_t i = 0; i < args.size(); ++i) out += (i ? "," : "") + args[i];
    return out + ")";
}

void RecordingEngine::failNext(const std::string& operation, long code, int times) {
    for (int i = 0; i < times; ++i) nextFailures_[operation].push_back(code);
}

void RecordingEngine::failAlways(const std::string& operation, long code) { alwaysFailures_[operation] = code; }

void RecordingEngine::clearFailures() {
    nextFailures_.clear();
    alwaysFailures_.clear();
}

std::vector<std::string> RecordingEngine::callTexts() const {
    std::vector<std::string> out;
    for (const auto& c : calls_) out.push_back(c.text());
    return out;
}

std::vector<RecordingEngine::Call> RecordingEngine::callsOf(const std::string& operation) const {
    std::vector<Call> out;
    std::copy_if(calls_.begin(), calls_.end(), std::back_inserter(out),
                 [&](const Call& c) { return c.name == operation; });
    return out;
}

std::vector<std::string> RecordingEngine::names(const std::vector<std::string>& ignore) const {
    std::vector<std::string> out;
    for (const auto& c : calls_)
        if (std::find(ignore.begin(), ignore.end(), c.name) == ignore.end()) out.push_back(c.name);
    return out;
}

SipEngineEvents& RecordingEngine::raise() {
    if (!events()) throw std::logic_error("RecordingEngine: no event sink installed");
    return *events();
}

void RecordingEngine::record(const std::string& name, std::vector<std::string> args) {
    calls_.push_back(Call{name, std::move(args)});
}

bool RecordingEngine::outcome(const std::string& name, std::vector<std::string> args) {
    record(name, std::move(args));
    if (auto it = nextFailures_.find(name); it != nextFailures_.end() && !it->second.empty()) {
        lastError_ = it->second.front();
        it->second.pop_front();
        return false;
    }
    if (auto it = alwaysFailures_.find(name); it != alwaysFailures_.end()) {
        lastError_ = it->second;
        return false;
    }
    return true;
}

long RecordingEngine::longOf(const std::string& name, long fallback) const {
    auto it = longs_.find(name);
    return it == longs_.end() ? fallback : it->second;
}

bool RecordingEngine::flag(const std::map<int, bool>& m, int line) {
    auto it = m.find(line);
    return it != m.end() && it->second;
}

void RecordingEngine::ShutdownEngine() {
    record("ShutdownEngine", {});
    online_ = false;
    open_.clear();
}
long RecordingEngine::GetLastEngineError() {
    record("GetLastEngineError", {});
    return lastError_;
}
bool RecordingEngine::DisconnectLine(int line) {
    if (!outcome("DisconnectLine", {s(line)})) return false;
    busy_[line] = false;
    return true;
}
bool RecordingEngine::AcceptCall(int line, const std::string& callId, long in, long out) {
    return outcome("AcceptCall", {s(line), callId, s(in), s(out)});
}
bool RecordingEngine::RejectCall(const std::string& callId) { return outcome("RejectCall", {callId}); }
bool RecordingEngine::HoldLine(int line) { return outcome("HoldLine", {s(line)}); }
bool RecordingEngine::UnholdLine(int line) { return outcome("UnholdLine", {s(line)}); }
bool RecordingEngine::RegisterToProxy(long expiry) { return outcome("RegisterToProxy", {s(expiry)}); }
bool RecordingEngine::IsLineOpen(int line) {
    record("IsLineOpen", {s(line)});
    return flag(open_, line);
}
bool RecordingEngine::IsLineOnHold(int line) {
    record("IsLineOnHold", {s(line)});
    return flag(held_, line);
}
bool RecordingEngine::IsLineBusy(int line) {
    record("IsLineBusy", {s(line)});
    return flag(busy_, line);
}
void RecordingEngine::SetEngineInterval(long seconds) { record("SetEngineInterval", {s(seconds)}); }
void RecordingEngine::ClearCodecSelection() { record("ClearCodecSelection", {}); }
void RecordingEngine::SelectCodec(long codec) { record("SelectCodec", {s(codec)}); }
void RecordingEngine::DeselectCodec(long codec) { record("DeselectCodec", {s(codec)}); }
std::string RecordingEngine::GetLocalAddress() {
    record("GetLocalAddress", {});
    auto it = texts_.find("GetLocalAddress");
    return it == texts_.end() ? "127.0.0.1" : it->second;
}
bool RecordingEngine::SendDtmfDigit(int line, const std::string& digit) {
    return outcome("SendDtmfDigit", {s(line), digit});
}
bool RecordingEngine::MuteMicrophone(bool mute) { return outcome("MuteMicrophone", {b(mute)}); }
bool RecordingEngine::MuteSpeaker(bool mute) { return outcome("MuteSpeaker", {b(mute)}); }
long RecordingEngine::GetMicrophoneVolume() {
    record("GetMicrophoneVolume", {});
    return longOf("GetMicrophoneVolume", 125);
}
bool RecordingEngine::SetMicrophoneVolume(long v) { return outcome("SetMicrophoneVolume", {s(v)}); }
long RecordingEngine::GetSpeakerVolume() {
    record("GetSpeakerVolume", {});
    return longOf("GetSpeakerVolume", 125);
}
bool RecordingEngine::SetSpeakerVolume(long v) { return outcome("SetSpeakerVolume", {s(v)}); }
void RecordingEngine::EnableMicBoost() { record("EnableMicBoost", {}); }
void RecordingEngine::DisableMicBoost() { record("DisableMicBoost", {}); }
bool RecordingEngine::IsMicBoostEnabled() {
    record("IsMicBoostEnabled", {});
    return longOf("IsMicBoostEnabled", 0) != 0;
}
bool RecordingEngine::EnableAgc(long level) { return outcome("EnableAgc", {s(level)}); }
void RecordingEngine::DisableAgc() { record("DisableAgc", {}); }
void RecordingEngine::EnableEchoCancel() { record("EnableEchoCancel", {}); }
void RecordingEngine::DisableEchoCancel() { record("DisableEchoCancel", {}); }
bool RecordingEngine::IsLineRecording(int line) {
    record("IsLineRecording", {s(line)});
    return flag(recording_, line);
}
bool RecordingEngine::PauseLineRecording(int line) {
    if (!outcome("PauseLineRecording", {s(line)})) return false;
    recording_[line] = false;
    return true;
}
void RecordingEngine::ResetRecording(int line) { record("ResetRecording", {s(line)}); }
bool RecordingEngine::SaveRecording(int line, const std::string& path) {
    return outcome("SaveRecording", {s(line), path});
}
bool RecordingEngine::IsWavePlaying(int line) {
    record("IsWavePlaying", {s(line)});
    return longOf("IsWavePlaying", 0) != 0;
}
bool RecordingEngine::SetPlayFile(int line, const std::string& path) { return outcome("SetPlayFile", {s(line), path}); }
bool RecordingEngine::SeekPlayPosition(int line, long pos) { return outcome("SeekPlayPosition", {s(line), s(pos)}); }
bool RecordingEngine::PausePlay(int line) { return outcome("PausePlay", {s(line)}); }
bool RecordingEngine::StartPlay(int line, bool listen) { return outcome("StartPlay", {s(line), b(listen)}); }
bool RecordingEngine::StopPlay(int line) { return outcome("StopPlay", {s(line)}); }
long RecordingEngine::GetPlayPosition(int line) {
    record("GetPlayPosition", {s(line)});
    return longOf("GetPlayPosition", 0);
}
void RecordingEngine::EnableDoNotDisturb() { record("EnableDoNotDisturb", {}); }
void RecordingEngine::DisableDoNotDisturb() { record("DisableDoNotDisturb", {}); }
void RecordingEngine::EnableInbandDtmf(int line) { record("EnableInbandDtmf", {s(line)}); }
void RecordingEngine::DisableInbandDtmf(int line) { record("DisableInbandDtmf", {s(line)}); }
bool RecordingEngine::StartLineRecording(int line, int mode, bool mixed) {
    if (!outcome("StartLineRecording", {s(line), s(mode), b(mixed)})) return false;
    recording_[line] = true;
    return true;
}
long RecordingEngine::GetMicrophoneLevel() {
    record("GetMicrophoneLevel", {});
    return longOf("GetMicrophoneLevel", 0);
}
long RecordingEngine::GetSpeakerLevel() {
    record("GetSpeakerLevel", {});
    return longOf("GetSpeakerLevel", 0);
}
bool RecordingEngine::OpenLine(int line, bool reserved, const std::string& address, long port) {
    if (!outcome("OpenLine", {s(line), b(reserved), address, s(port)})) return false;
    open_[line] = true;
    return true;
}
long RecordingEngine::GetInputDeviceCount() {
    record("GetInputDeviceCount", {});
    return static_cast<long>(inputDevices.size());
}
long RecordingEngine::GetOutputDeviceCount() {
    record("GetOutputDeviceCount", {});
    return static_cast<long>(outputDevices.size());
}
std::string RecordingEngine::GetOutputDeviceName(long index) {
    record("GetOutputDeviceName", {s(index)});
    return index >= 0 && index < static_cast<long>(outputDevices.size()) ? outputDevices[index] : "";
}
std::string RecordingEngine::GetInputDeviceName(long index) {
    record("GetInputDeviceName", {s(index)});
    return index >= 0 && index < static_cast<long>(inputDevices.size()) ? inputDevices[index] : "";
}
bool RecordingEngine::JoinLines(int a, int c) { return outcome("JoinLines", {s(a), s(c)}); }
bool RecordingEngine::MuteLineSpeaker(int line, bool mute) { return outcome("MuteLineSpeaker", {s(line), b(mute)}); }
bool RecordingEngine::MuteLineMicrophone(int line, bool mute) {
    return outcome("MuteLineMicrophone", {s(line), b(mute)});
}
bool RecordingEngine::InitializeEngine(bool reserved, std::string& address, long port, const std::string& user,
                                       const std::string& authLogin, const std::string& password,
                                       const std::string& display, const std::string& outbound,
                                       const std::string& proxy, const std::string& unused, bool capture, long lines) {
    if (!outcome("InitializeEngine", {b(reserved), address, s(port), user, authLogin, password, display, outbound,
                                      proxy, unused, b(capture), s(lines)}))
        return false;
    online_ = true;
    return true;
}
bool RecordingEngine::Dial(int line, const std::string& target, long in, long out) {
    if (!outcome("Dial", {s(line), target, s(in), s(out)})) return false;
    busy_[line] = true;
    return true;
}
bool RecordingEngine::TransferCall(int line, const std::string& target) {
    return outcome("TransferCall", {s(line), target});
}
void RecordingEngine::SetProductTag(const std::string& tag) { record("SetProductTag", {tag}); }
bool RecordingEngine::AddChatContact(const std::string& c) { return outcome("AddChatContact", {c}); }
bool RecordingEngine::RemoveChatContact(const std::string& c) { return outcome("RemoveChatContact", {c}); }
bool RecordingEngine::SetMyChatStatus(long status) { return outcome("SetMyChatStatus", {s(status)}); }
bool RecordingEngine::SendChatMessage(const std::string& to, const std::string& text, long kind, long flags) {
    return outcome("SendChatMessage", {to, text, s(kind), s(flags)});
}
bool RecordingEngine::ForwardCalls(bool on, const std::string& target) {
    return outcome("ForwardCalls", {b(on), target});
}

}  // namespace velmora::engine
