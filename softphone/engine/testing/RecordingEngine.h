#pragma once

#include "../SipEngine.h"

#include <deque>
#include <map>
#include <string>
#include <vector>

namespace velmora::engine {

// A scriptable SipEngine for tests: records every operation with its
// arguments, returns programmed results and error codes, and raises events on
// request (raise().OnRegistered() etc. go to the sink the window installed).
class RecordingEngine : public SipEngine {
public:
    struct Call {
        std::string name;
        std::vector<std::string> args;
        std::string text() const;  // "Dial(0,555,-1,-1)"
    };

    // The next `times` calls of `operation` fail with `code`; later ones succeed.
    void failNext(const std::string& operation, long code, int times = 1);
    // Every call of `operation` fails with `code` until cleared.
    void failAlways(const std::string& operation, long code);
    void clearFailures();

    // Results of the operations that return a number or a text.
    void setLong(const std::string& operation, long value) { longs_[operation] = value; }
    void setText(const std::string& operation, const std::string& value) { texts_[operation] = value; }
    // Line conditions, as IsLineOpen/IsLineBusy/... report them.
    void setLineBusy(int line, bool busy) { busy_[line] = busy; }
    void setLineOnHold(int line, bool held) { held_[line] = held; }
    void setLineRecording(int line, bool recording) { recording_[line] = recording; }

    std::vector<std::string> inputDevices;
    std::vector<std::string> outputDevices;

    const std::vector<Call>& calls() const { return calls_; }
    std::vector<std::string> callTexts() const;
    // Calls of one operation, in order.
    std::vector<Call> callsOf(const std::string& operation) const;
    // Names only, in order, leaving out the queries listed in `ignore`.
    std::vector<std::string> names(const std::vector<std::string>& ignore = {}) const;
    void clearCalls() { calls_.clear(); }

    // The sink the window installed; raising an event with no sink is a test error.
    SipEngineEvents& raise();

    void ShutdownEngine() override;
    long GetLastEngineError() override;
    bool DisconnectLine(int line) override;
    bool AcceptCall(int line, const std::string& callId, long inputDevice, long outputDevice) override;
    bool RejectCall(const std::string& callId) override;
    bool HoldLine(int line) override;
    bool UnholdLine(int line) override;
    bool RegisterToProxy(long expirySeconds) override;
    bool IsLineOpen(int line) override;
    bool IsLineOnHold(int line) override;
    bool IsLineBusy(int line) override;
    void SetEngineInterval(long seconds) override;
    void ClearCodecSelection() override;
    void SelectCodec(long codec) override;
    void DeselectCodec(long codec) override;
    std::string GetLocalAddress() override;
    bool SendDtmfDigit(int line, const std::string& digit) override;
    bool MuteMicrophone(bool mute) override;
    bool MuteSpeaker(bool mute) override;
    long GetMicrophoneVolume() override;
    bool SetMicrophoneVolume(long volume) override;
    long GetSpeakerVolume() override;
    bool SetSpeakerVolume(long volume) override;
    void EnableMicBoost() override;
    void DisableMicBoost() override;
    bool IsMicBoostEnabled() override;
    bool EnableAgc(long level) override;
    void DisableAgc() override;
    void EnableEchoCancel() override;
    void DisableEchoCancel() override;
    bool IsLineRecording(int line) override;
    bool PauseLineRecording(int line) override;
    void ResetRecording(int line) override;
    bool SaveRecording(int line, const std::string& path) override;
    bool IsWavePlaying(int line) override;
    bool SetPlayFile(int line, const std::string& path) override;
    bool SeekPlayPosition(int line, long position) override;
    bool PausePlay(int line) override;
    bool StartPlay(int line, bool listen) override;
    bool StopPlay(int line) override;
    long GetPlayPosition(int line) override;
    void EnableDoNotDisturb() override;
    void DisableDoNotDisturb() override;
    void EnableInbandDtmf(int line) override;
    void DisableInbandDtmf(int line) override;
    bool StartLineRecording(int line, int mode, bool mixed) override;
    long GetMicrophoneLevel() override;
    long GetSpeakerLevel() override;
    bool OpenLine(int line, bool reserved, const std::string& localAddress, long rtpPort) override;
    long GetInputDeviceCount() override;
    long GetOutputDeviceCount() override;
    std::string GetOutputDeviceName(long index) override;
    std::string GetInputDeviceName(long index) override;
    bool JoinLines(int lineA, int lineB) override;
    bool MuteLineSpeaker(int line, bool mute) override;
    bool MuteLineMicrophone(int line, bool mute) override;
    bool InitializeEngine(bool reserved, std::string& localAddress, long sipPort, const std::string& userName,
                          const std::string& authLogin, const std::string& authPassword, const std::string& displayName,
                          const std::string& outboundProxy, const std::string& sipProxy, const std::string& unused,
                          bool captureDevice, long lineCount) override;
    bool Dial(int line, const std::string& target, long inputDevice, long outputDevice) override;
    bool TransferCall(int line, const std::string& target) override;
    void SetProductTag(const std::string& tag) override;
    bool AddChatContact(const std::string& contact) override;
    bool RemoveChatContact(const std::string& contact) override;
    bool SetMyChatStatus(long status) override;
    bool SendChatMessage(const std::string& recipient, const std::string& message, long kind, long flags) override;
    bool ForwardCalls(bool on, const std::string& target) override;

private:
    void record(const std::string& name, std::vector<std::string> args);
    // Records the call, then applies a programmed failure if there is one.
    bool outcome(const std::string& name, std::vector<std::string> args);
    long longOf(const std::string& name, long fallback) const;
    static bool flag(const std::map<int, bool>& m, int line);

    std::vector<Call> calls_;
    std::map<std::string, std::deque<long>> nextFailures_;
    std::map<std::string, long> alwaysFailures_;
    std::map<std::string, long> longs_;
    std::map<std::string, std::string> texts_;
    std::map<int, bool> open_, busy_, held_, recording_;
    long lastError_ = kNoError;
    bool online_ = false;
};

}  // namespace velmora::engine
