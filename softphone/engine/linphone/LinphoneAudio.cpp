#include "LinphoneEngine.h"

#include "SipTargets.h"

#include <linphone/api/c-audio-device.h>
#include <linphone/api/c-call.h>
#include <linphone/payload_type.h>

#include <algorithm>
#include <cmath>
#include <optional>
#include <cstring>

namespace velmora::engine {
namespace {

constexpr long kMaxVolume = 250;
constexpr double kUnityVolume = 125.0;  // the scale's middle is the device's own level
constexpr double kMicBoostGain = 10.0;  // +20 dB, as a sound card's boost switch
constexpr std::uint32_t kDeviceRereadMs = 1000;

// The engine's capture (microphone) or playback devices, in liblinphone's order.
std::vector<LinphoneAudioDevice*> devices(LinphoneCore* core, bool capture) {
    std::vector<LinphoneAudioDevice*> found;
    if (!core) return found;
    const auto capability = capture ? LinphoneAudioDeviceCapabilityRecord : LinphoneAudioDeviceCapabilityPlay;
    bctbx_list_t* list = linphone_core_get_extended_audio_devices(core);
    for (bctbx_list_t* it = list; it; it = bctbx_list_next(it)) {
        auto* device = static_cast<LinphoneAudioDevice*>(bctbx_list_get_data(it));
        if (linphone_audio_device_has_capability(device, capability))
            found.push_back(linphone_audio_device_ref(device));
    }
    bctbx_list_free_with_data(list, reinterpret_cast<bctbx_list_free_func>(linphone_audio_device_unref));
    return found;
}

void release(std::vector<LinphoneAudioDevice*>& list) {
    for (auto* device : list) linphone_audio_device_unref(device);
    list.clear();
}

// A momentary level in dBm0 as 0..100 for the meters (-60 dB and below is 0).
long meterLevel(float dbm0) {
    if (!std::isfinite(dbm0)) return 0;
    return std::clamp(std::lround((dbm0 + 60.0) * 100.0 / 60.0), 0L, 100L);
}

bool isTelephoneEvent(LinphonePayloadType* type) {
    return std::strcmp(linphone_payload_type_get_mime_type(type), "telephone-event") == 0;
}

}  // namespace

// Without a sound card calls read and write files: no device is offered.
// Otherwise the machine's capture and playback devices as liblinphone finds
// them through ALSA (PulseAudio and PipeWire appear as ALSA devices), re-read
// at most once a second while no call uses one, so that a device plugged in
// or out since going online shows.
std::vector<LinphoneAudioDevice*> LinphoneEngine::soundDevices(bool capture) {
    if (!core_ || options_.headlessAudio) return {};
    const bool idle = std::none_of(lines_.begin(), lines_.end(), [](const Line& l) { return l.call != nullptr; });
    const std::uint32_t now = loop_.tickCount();
    if (idle && (!devicesReadOnce_ || now - devicesReadAt_ >= kDeviceRereadMs)) {
        linphone_core_reload_sound_devices(core_);
        devicesReadOnce_ = true;
        devicesReadAt_ = now;
    }
    return devices(core_, capture);
}

long LinphoneEngine::GetInputDeviceCount() { return deviceCount(true); }

long LinphoneEngine::GetOutputDeviceCount() { return deviceCount(false); }

long LinphoneEngine::deviceCount(bool capture) {
    auto list = soundDevices(capture);
    const long count = static_cast<long>(list.size());
    release(list);
    return count;
}

// The name of the index-th capture or playback device; nullopt when there is none.
std::optional<std::string> LinphoneEngine::deviceName(long index, bool capture) {
    auto list = soundDevices(capture);
    std::optional<std::string> name;
    if (index >= 0 && index < static_cast<long>(list.size())) name = linphone_audio_device_get_device_name(list[index]);
    release(list);
    return name;
}

std::string LinphoneEngine::GetInputDeviceName(long index) {
    const auto name = deviceName(index, true);
    name ? ok() : fail(core_ ? kInvalidValue : kNotOnline);
    return name.value_or("");
}

std::string LinphoneEngine::GetOutputDeviceName(long index) {
    const auto name = deviceName(index, false);
    name ? ok() : fail(core_ ? kInvalidValue : kNotOnline);
    return name.value_or("");
}

bool LinphoneEngine::validDevice(long index, bool capture) {
    if (index == -1) return true;
    if (index < -1) return false;
    auto list = soundDevices(capture);
    const bool valid = index < static_cast<long>(list.size());
    release(list);
    return valid;
}

// Devices, mute and gains of one line's call, from the call's devices, the
// line's mute and the engine's settings.
void LinphoneEngine::applyCallAudio(int index) {
    const Line& line = lines_[index];
    const EngineCall* engineCall = line.call.get();
    LinphoneCall* call = engineCall ? engineCall->handle.get() : nullptr;
    if (!call) return;
    const long input = engineCall->inputDevice;
    const long output = engineCall->outputDevice;
    if (input >= 0 || output >= 0) {
        auto capture = soundDevices(true);
        auto playback = soundDevices(false);
        if (input >= 0 && input < static_cast<long>(capture.size()))
            linphone_call_set_input_audio_device(call, capture[input]);
        if (output >= 0 && output < static_cast<long>(playback.size()))
            linphone_call_set_output_audio_device(call, playback[output]);
        release(capture);
        release(playback);
    }
    linphone_call_set_microphone_muted(call, (micMuted_ || line.micMuted || !captureDevice_) ? TRUE : FALSE);
    linphone_call_set_speaker_muted(call, (speakerMuted_ || line.speakerMuted) ? TRUE : FALSE);
    const double micGain = micVolume_ / kUnityVolume * (micBoost_ ? kMicBoostGain : 1.0);
    linphone_call_set_microphone_volume_gain(call, static_cast<float>(micGain));
    linphone_call_set_speaker_volume_gain(call, static_cast<float>(speakerVolume_ / kUnityVolume));
}

void LinphoneEngine::applyAllCallAudio() {
    for (std::size_t line = 0; line < lines_.size(); ++line) applyCallAudio(static_cast<int>(line));
}

bool LinphoneEngine::MuteMicrophone(bool mute) {
    if (!core_) return fail(kNotOnline);
    micMuted_ = mute;
    applyAllCallAudio();
    return ok();
}

bool LinphoneEngine::MuteSpeaker(bool mute) {
    if (!core_) return fail(kNotOnline);
    speakerMuted_ = mute;
    applyAllCallAudio();
    return ok();
}

// Per-line mutes are kept for the line, so they hold for its next call too.
bool LinphoneEngine::MuteLineMicrophone(int line, bool mute) {
    if (!checkLine(line)) return false;
    lines_[line].micMuted = mute;
    applyCallAudio(line);
    return ok();
}

bool LinphoneEngine::MuteLineSpeaker(int line, bool mute) {
    if (!checkLine(line)) return false;
    lines_[line].speakerMuted = mute;
    applyCallAudio(line);
    return ok();
}

bool LinphoneEngine::SetMicrophoneVolume(long volume) {
    if (!core_) return fail(kNotOnline);
    if (volume < 0 || volume > kMaxVolume) return fail(kInvalidValue);
    micVolume_ = volume;
    applyAllCallAudio();
    return ok();
}

bool LinphoneEngine::SetSpeakerVolume(long volume) {
    if (!core_) return fail(kNotOnline);
    if (volume < 0 || volume > kMaxVolume) return fail(kInvalidValue);
    speakerVolume_ = volume;
    applyAllCallAudio();
    return ok();
}

void LinphoneEngine::EnableMicBoost() {
    micBoost_ = true;
    applyAllCallAudio();
    ok();
}

void LinphoneEngine::DisableMicBoost() {
    micBoost_ = false;
    applyAllCallAudio();
    ok();
}

bool LinphoneEngine::EnableAgc(long level) {
    if (!core_) return fail(kNotOnline);
    if (level <= 0 || level > 32767) return fail(kInvalidValue);
    agc_ = true;  // mediastreamer's gain control keeps its own target level
    linphone_core_enable_agc(core_, TRUE);
    return ok();
}

void LinphoneEngine::DisableAgc() {
    agc_ = false;
    if (core_) linphone_core_enable_agc(core_, FALSE);
    ok();
}

void LinphoneEngine::EnableEchoCancel() {
    echoCancel_ = true;
    if (core_) linphone_core_enable_echo_cancellation(core_, TRUE);
    ok();
}

void LinphoneEngine::DisableEchoCancel() {
    echoCancel_ = false;
    if (core_) linphone_core_enable_echo_cancellation(core_, FALSE);
    ok();
}

long LinphoneEngine::GetMicrophoneLevel() {
    long level = 0;
    for (std::size_t line = 0; line < lines_.size(); ++line)
        if (const EngineCall* call = liveCall(static_cast<int>(line)))
            level = std::max(level, meterLevel(linphone_call_get_record_volume(call->handle.get())));
    return level;
}

long LinphoneEngine::GetSpeakerLevel() {
    long level = 0;
    for (std::size_t line = 0; line < lines_.size(); ++line)
        if (const EngineCall* call = liveCall(static_cast<int>(line)))
            level = std::max(level, meterLevel(linphone_call_get_play_volume(call->handle.get())));
    return level;
}

void LinphoneEngine::ClearCodecSelection() {
    codecs_.clear();
    applyCodecs();
    ok();
}

void LinphoneEngine::SelectCodec(long codec) {
    const auto name = codecName(codec);
    if (!name) {
        fail(kInvalidValue);
        return;
    }
    if (core_) {
        // liblinphone lists codecs it has no encoder for (iLBC): only usable ones count.
        LinphonePayloadType* type = linphone_core_get_payload_type(core_, name->mime, name->rate, 1);
        const bool usable = type && linphone_payload_type_is_usable(type);
        if (type) linphone_payload_type_unref(type);
        if (!usable) {
            fail(kCodecNotSupported);
            return;
        }
    }
    if (std::find(codecs_.begin(), codecs_.end(), codec) == codecs_.end()) codecs_.push_back(codec);
    applyCodecs();
    ok();
}

void LinphoneEngine::DeselectCodec(long codec) {
    if (!codecName(codec)) {
        fail(kInvalidValue);
        return;
    }
    codecs_.erase(std::remove(codecs_.begin(), codecs_.end(), codec), codecs_.end());
    applyCodecs();
    ok();
}

// A line with in-band DTMF offers or answers without telephone-event (the
// RFC 2833 choice is what puts it into the session description), so that the
// call negotiates none and mediastreamer plays the digits' tones into the
// audio; every other call keeps it.
void LinphoneEngine::offerTelephoneEvents(bool on) {
    if (core_) linphone_core_set_use_rfc2833_for_dtmf(core_, on ? TRUE : FALSE);
}

// Offers exactly the selected codecs, in selection order, plus
// telephone-event for RFC 2833 digits; everything else the library has
// (Opus, Speex, G.722, ...) stays off.
void LinphoneEngine::applyCodecs() {
    if (!core_) return;
    bctbx_list_t* all = linphone_core_get_audio_payload_types(core_);
    bctbx_list_t* ordered = nullptr;
    for (long codec : codecs_) {
        const auto name = codecName(codec);
        for (bctbx_list_t* it = all; it; it = bctbx_list_next(it)) {
            auto* type = static_cast<LinphonePayloadType*>(bctbx_list_get_data(it));
            if (strcasecmp(linphone_payload_type_get_mime_type(type), name->mime) == 0 &&
                linphone_payload_type_get_clock_rate(type) == name->rate && linphone_payload_type_is_usable(type)) {
                linphone_payload_type_enable(type, TRUE);
                ordered = bctbx_list_append(ordered, type);
            }
        }
    }
    for (bctbx_list_t* it = all; it; it = bctbx_list_next(it)) {
        auto* type = static_cast<LinphonePayloadType*>(bctbx_list_get_data(it));
        if (bctbx_list_find(ordered, type)) continue;
        linphone_payload_type_enable(type, isTelephoneEvent(type) ? TRUE : FALSE);
        ordered = bctbx_list_append(ordered, type);
    }
    linphone_core_set_audio_payload_types(core_, ordered);
    bctbx_list_free(ordered);
    bctbx_list_free(all);
}

}  // namespace velmora::engine
