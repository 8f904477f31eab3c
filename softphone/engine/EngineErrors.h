#pragma once

namespace velmora::engine {

// Codes returned by SipEngine::GetLastEngineError. Zero means the last
// operation succeeded (or nothing has failed yet).
enum EngineError : long {
    kNoError = 0,
    kNotOnline = 10,  // engine not initialised
    kPortInUse = 11,  // the SIP or RTP port asked for is taken
    kNoNetwork = 12,
    kTaskWindowFailed = 13,
    kInputDeviceUnavailable = 14,
    kOutputDeviceUnavailable = 15,
    kInputDeviceNotOpen = 16,
    kOutputDeviceNotOpen = 17,
    kNoMicVolume = 18,
    kNoSpeakerVolume = 19,
    kRecordingInitFailed = 20,
    kWaveOpenFailed = 21,
    kInvalidUri = 22,
    kCodecNotSupported = 23,
    kSdpFailed = 24,
    kConnectRequestFailed = 25,
    kRegisterRequestFailed = 26,
    kUnregisterRequestFailed = 27,
    kDisconnectRequestFailed = 28,
    kInvalidLine = 29,
    kLineBusy = 30,
    kLineNotOpen = 31,
    kInvalidCallId = 32,
    kInvalidValue = 33,
    kNoVoiceSession = 34,
    kWaveReadFailed = 35,
    kWaveWriteFailed = 36,
    kUnsupportedWaveFormat = 37,
    kCancelRequestFailed = 38,
};

}  // namespace velmora::engine
