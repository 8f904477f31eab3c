#pragma once

#include "EngineErrors.h"
#include "SipEngineEvents.h"

#include <string>

namespace velmora::engine {

// The SIP user-agent engine the window drives: signalling, media, devices,
// DTMF, playing files into calls, recording, chat and presence. The window owns
// one engine for the whole run. Operations return promptly (at most one network
// exchange); outcomes arrive later through SipEngineEvents. A False result
// leaves the reason in GetLastEngineError.
//
// Lines are 0 .. lines-1. Device index -1 is the system default, 0.. the n-th
// device of GetInputDeviceName / GetOutputDeviceName. Codec numbers:
// 0 GSM 6.10, 1 iLBC, 2 G.711 A-law, 3 G.711 u-law, 4 G.729.
//
// Each operation keeps the dispatch identifier it has always had, so that a
// dialer or script calling late-bound reaches the same operation; see kDispatchTable.
class SipEngine {
public:
    virtual ~SipEngine() = default;

    // Where events go; the engine does not own the sink. nullptr drops events.
    void setEvents(SipEngineEvents* sink) { events_ = sink; }
    SipEngineEvents* events() const { return events_; }

    virtual void ShutdownEngine() = 0;                                                                      // 1
    virtual long GetLastEngineError() = 0;                                                                  // 3
    virtual bool DisconnectLine(int line) = 0;                                                              // 6
    virtual bool AcceptCall(int line, const std::string& callId, long inputDevice, long outputDevice) = 0;  // 7
    virtual bool RejectCall(const std::string& callId) = 0;                                                 // 8
    virtual bool HoldLine(int line) = 0;                                                                    // 10
    virtual bool UnholdLine(int line) = 0;                                                                  // 11
    virtual bool RegisterToProxy(long expirySeconds) = 0;                                                   // 12
    virtual bool IsLineOpen(int line) = 0;                                                                  // 14
    virtual bool IsLineOnHold(int line) = 0;                                                                // 15
    virtual bool IsLineBusy(int line) = 0;                                                                  // 16
    virtual void SetEngineInterval(long seconds) = 0;                                                       // 17
    virtual void ClearCodecSelection() = 0;                                                                 // 19
    virtual void SelectCodec(long codec) = 0;                                                               // 21
    virtual void DeselectCodec(long codec) = 0;                                                             // 22
    virtual std::string GetLocalAddress() = 0;                                                              // 23
    virtual bool SendDtmfDigit(int line, const std::string& digit) = 0;                                     // 24
    virtual bool MuteMicrophone(bool mute) = 0;                                                             // 25
    virtual bool MuteSpeaker(bool mute) = 0;                                                                // 26
    virtual long GetMicrophoneVolume() = 0;                                                                 // 27
    virtual bool SetMicrophoneVolume(long volume) = 0;                                                      // 28
    virtual long GetSpeakerVolume() = 0;                                                                    // 29
    virtual bool SetSpeakerVolume(long volume) = 0;                                                         // 30
    virtual void EnableMicBoost() = 0;                                                                      // 31
    virtual void DisableMicBoost() = 0;                                                                     // 32
    virtual bool IsMicBoostEnabled() = 0;                                                                   // 33
    virtual bool EnableAgc(long level) = 0;                                                                 // 34
    virtual void DisableAgc() = 0;                                                                          // 35
    virtual void EnableEchoCancel() = 0;                                                                    // 36
    virtual void DisableEchoCancel() = 0;                                                                   // 37
    virtual bool IsLineRecording(int line) = 0;                                                             // 38
    virtual bool PauseLineRecording(int line) = 0;                                                          // 39
    virtual void ResetRecording(int line) = 0;                                                              // 40
    virtual bool SaveRecording(int line, const std::string& path) = 0;                                      // 41
    virtual bool IsWavePlaying(int line) = 0;                                                               // 42
    virtual bool SetPlayFile(int line, const std::string& path) = 0;                                        // 43
    virtual bool SeekPlayPosition(int line, long position) = 0;                                             // 44
    virtual bool PausePlay(int line) = 0;                                                                   // 46
    virtual bool StartPlay(int line, bool listen) = 0;                                                      // 47
    virtual bool StopPlay(int line) = 0;                                                                    // 48
    virtual long GetPlayPosition(int line) = 0;                                                             // 49
    virtual void EnableDoNotDisturb() = 0;                                                                  // 50
    virtual void DisableDoNotDisturb() = 0;                                                                 // 51
    virtual void EnableInbandDtmf(int line) = 0;                                                            // 52
    virtual void DisableInbandDtmf(int line) = 0;                                                           // 53
    virtual bool StartLineRecording(int line, int mode, bool mixed) = 0;                                    // 57
    virtual long GetMicrophoneLevel() = 0;                                                                  // 58
    virtual long GetSpeakerLevel() = 0;                                                                     // 59
    virtual bool OpenLine(int line, bool reserved, const std::string& localAddress,
                          long rtpPort) = 0;                   // 62
    virtual long GetInputDeviceCount() = 0;                    // 63
    virtual long GetOutputDeviceCount() = 0;                   // 64
    virtual std::string GetOutputDeviceName(long index) = 0;   // 65
    virtual std::string GetInputDeviceName(long index) = 0;    // 66
    virtual bool JoinLines(int lineA, int lineB) = 0;          // 69
    virtual bool MuteLineSpeaker(int line, bool mute) = 0;     // 71
    virtual bool MuteLineMicrophone(int line, bool mute) = 0;  // 72
    // localAddress may be rewritten with the address the engine really bound.
    virtual bool InitializeEngine(bool reserved, std::string& localAddress, long sipPort, const std::string& userName,
                                  const std::string& authLogin, const std::string& authPassword,
                                  const std::string& displayName, const std::string& outboundProxy,
                                  const std::string& sipProxy, const std::string& unused, bool captureDevice,
                                  long lineCount) = 0;  // 75
    virtual bool Dial(int line, const std::string& target, long inputDevice,
                      long outputDevice) = 0;                            // 76
    virtual bool TransferCall(int line, const std::string& target) = 0;  // 77
    virtual void SetProductTag(const std::string& tag) = 0;              // 81
    virtual bool AddChatContact(const std::string& contact) = 0;         // 87
    virtual bool RemoveChatContact(const std::string& contact) = 0;      // 88
    virtual bool SetMyChatStatus(long status) = 0;                       // 90
    virtual bool SendChatMessage(const std::string& recipient, const std::string& message, long kind,
                                 long flags) = 0;                       // 91
    virtual bool ForwardCalls(bool on, const std::string& target) = 0;  // 93

private:
    SipEngineEvents* events_ = nullptr;
};

struct DispatchEntry {
    int dispid;
    const char* name;
};

// The engine's dispatch identifiers, for late-bound callers.
inline constexpr DispatchEntry kDispatchTable[] = {
    {1, "ShutdownEngine"},
    {3, "GetLastEngineError"},
    {6, "DisconnectLine"},
    {7, "AcceptCall"},
    {8, "RejectCall"},
    {10, "HoldLine"},
    {11, "UnholdLine"},
    {12, "RegisterToProxy"},
    {14, "IsLineOpen"},
    {15, "IsLineOnHold"},
    {16, "IsLineBusy"},
    {17, "SetEngineInterval"},
    {19, "ClearCodecSelection"},
    {21, "SelectCodec"},
    {22, "DeselectCodec"},
    {23, "GetLocalAddress"},
    {24, "SendDtmfDigit"},
    {25, "MuteMicrophone"},
    {26, "MuteSpeaker"},
    {27, "GetMicrophoneVolume"},
    {28, "SetMicrophoneVolume"},
    {29, "GetSpeakerVolume"},
    {30, "SetSpeakerVolume"},
    {31, "EnableMicBoost"},
    {32, "DisableMicBoost"},
    {33, "IsMicBoostEnabled"},
    {34, "EnableAgc"},
    {35, "DisableAgc"},
    {36, "EnableEchoCancel"},
    {37, "DisableEchoCancel"},
    {38, "IsLineRecording"},
    {39, "PauseLineRecording"},
    {40, "ResetRecording"},
    {41, "SaveRecording"},
    {42, "IsWavePlaying"},
    {43, "SetPlayFile"},
    {44, "SeekPlayPosition"},
    {46, "PausePlay"},
    {47, "StartPlay"},
    {48, "StopPlay"},
    {49, "GetPlayPosition"},
    {50, "EnableDoNotDisturb"},
    {51, "DisableDoNotDisturb"},
    {52, "EnableInbandDtmf"},
    {53, "DisableInbandDtmf"},
    {57, "StartLineRecording"},
    {58, "GetMicrophoneLevel"},
    {59, "GetSpeakerLevel"},
    {62, "OpenLine"},
    {63, "GetInputDeviceCount"},
    {64, "GetOutputDeviceCount"},
    {65, "GetOutputDeviceName"},
    {66, "GetInputDeviceName"},
    {69, "JoinLines"},
    {71, "MuteLineSpeaker"},
    {72, "MuteLineMicrophone"},
    {75, "InitializeEngine"},
    {76, "Dial"},
    {77, "TransferCall"},
    {81, "SetProductTag"},
    {87, "AddChatContact"},
    {88, "RemoveChatContact"},
    {90, "SetMyChatStatus"},
    {91, "SendChatMessage"},
    {93, "ForwardCalls"},
};

}  // namespace velmora::engine
