#pragma once

#include "EngineCall.h"
#include "LinePlayback.h"
#include "LinphoneEngineOptions.h"
#include "LinphoneHandle.h"
#include "NetworkProbe.h"
#include "ReferralDecliner.h"
#include "Registration.h"
#include "SipSource.h"
#include "WaveFile.h"
#include "loop/EventLoop.h"
#include "engine/SipEngine.h"

#include <linphone/core.h>

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace velmora::engine {

// SipEngine on liblinphone. Lives on the UI thread: a loop timer runs
// linphone_core_iterate, liblinphone's callbacks only queue events, and the
// queue is delivered to events() from posted work after iterate has returned.
// A handler may wait (msDelay): the engine keeps running and the next events
// arrive during the wait, but iterate never runs inside itself and no event
// is ever delivered from inside iterate or an operation.
class LinphoneEngine : public SipEngine {
public:
    LinphoneEngine(loop::EventLoop& loop, LinphoneEngineOptions options = {});
    ~LinphoneEngine() override;
    LinphoneEngine(const LinphoneEngine&) = delete;
    LinphoneEngine& operator=(const LinphoneEngine&) = delete;

    // lifecycle (LinphoneEngine.cpp) and registration (LinphoneRegistration.cpp)
    void ShutdownEngine() override;
    long GetLastEngineError() override { return lastError_; }
    bool RegisterToProxy(long expirySeconds) override;
    void SetEngineInterval(long seconds) override;
    std::string GetLocalAddress() override;
    bool InitializeEngine(bool reserved, std::string& localAddress, long sipPort, const std::string& userName,
                          const std::string& authLogin, const std::string& authPassword, const std::string& displayName,
                          const std::string& outboundProxy, const std::string& sipProxy, const std::string& unused,
                          bool captureDevice, long lineCount) override;
    void SetProductTag(const std::string& tag) override;

    // lines and calls (LinphoneCalls.cpp; their events in LinphoneCallEvents.cpp)
    bool OpenLine(int line, bool reserved, const std::string& localAddress, long rtpPort) override;
    bool IsLineOpen(int line) override;
    bool IsLineOnHold(int line) override;
    bool IsLineBusy(int line) override;
    bool Dial(int line, const std::string& target, long inputDevice, long outputDevice) override;
    bool DisconnectLine(int line) override;
    bool AcceptCall(int line, const std::string& callId, long inputDevice, long outputDevice) override;
    bool RejectCall(const std::string& callId) override;
    bool HoldLine(int line) override;
    bool UnholdLine(int line) override;
    bool TransferCall(int line, const std::string& target) override;
    bool ForwardCalls(bool on, const std::string& target) override;
    void EnableDoNotDisturb() override { doNotDisturb_ = true; }
    void DisableDoNotDisturb() override { doNotDisturb_ = false; }
    bool SendDtmfDigit(int line, const std::string& digit) override;
    // Takes effect for the line's next call (its offer or answer).
    void EnableInbandDtmf(int line) override { setInband(line, true); }
    void DisableInbandDtmf(int line) override { setInband(line, false); }

    // audio devices, volume, mute, voice processing, codecs (LinphoneAudio.cpp)
    long GetInputDeviceCount() override;
    long GetOutputDeviceCount() override;
    std::string GetOutputDeviceName(long index) override;
    std::string GetInputDeviceName(long index) override;
    bool MuteMicrophone(bool mute) override;
    bool MuteSpeaker(bool mute) override;
    bool MuteLineSpeaker(int line, bool mute) override;
    bool MuteLineMicrophone(int line, bool mute) override;
    long GetMicrophoneVolume() override { return micVolume_; }
    bool SetMicrophoneVolume(long volume) override;
    long GetSpeakerVolume() override { return speakerVolume_; }
    bool SetSpeakerVolume(long volume) override;
    void EnableMicBoost() override;
    void DisableMicBoost() override;
    bool IsMicBoostEnabled() override { return micBoost_; }
    bool EnableAgc(long level) override;
    void DisableAgc() override;
    void EnableEchoCancel() override;
    void DisableEchoCancel() override;
    long GetMicrophoneLevel() override;
    long GetSpeakerLevel() override;
    void ClearCodecSelection() override;
    void SelectCodec(long codec) override;
    void DeselectCodec(long codec) override;

    // recording (LinphoneRecording.cpp), playing into calls
    // (LinphonePlayback.cpp), joining lines (LinphoneJoin.cpp), chat
    // (LinphoneChat.cpp) and presence (LinphonePresence.cpp)
    bool IsLineRecording(int line) override;
    bool PauseLineRecording(int line) override;
    void ResetRecording(int line) override;
    bool SaveRecording(int line, const std::string& path) override;
    bool StartLineRecording(int line, int mode, bool mixed) override;
    bool IsWavePlaying(int line) override;
    bool SetPlayFile(int line, const std::string& path) override;
    bool SeekPlayPosition(int line, long position) override;
    bool PausePlay(int line) override;
    bool StartPlay(int line, bool listen) override;
    bool StopPlay(int line) override;
    long GetPlayPosition(int line) override;
    bool JoinLines(int lineA, int lineB) override;
    bool AddChatContact(const std::string& contact) override;
    bool RemoveChatContact(const std::string& contact) override;
    bool SetMyChatStatus(long status) override;
    bool SendChatMessage(const std::string& recipient, const std::string& message, long kind, long flags) override;

    // Beyond the SipEngine contract (LinphoneSecurity.cpp): the line's call
    // runs over TLS with encrypted audio (SRTP or ZRTP), for a lock mark.
    bool IsLineSecure(int line);

    // liblinphone's callbacks (static trampolines find the engine through the core).
    void onRegistration(LinphoneAccount* account, LinphoneRegistrationState state);
    void onCallState(LinphoneCall* call, LinphoneCallState state);
    void onTransferState(LinphoneCall* call, LinphoneCallState state);
    void onDtmf(LinphoneCall* call, int digit);
    void onChatMessage(LinphoneChatMessage* message);
    void onSubscriptionRequested(LinphoneFriend* subscriber);
    void onPresence(LinphoneFriend* changed);
    // Before liblinphone takes a received chat message: -1 to let it in, or
    // the response code it is refused with (LinphoneChat.cpp).
    int screenChatMessage(LinphoneChatMessage* message);

private:
    // A line: its settings, which outlast its calls, its call, and the last
    // call that ended on it, whose recording the program may still save or
    // reset (until the next call starts on the line).
    struct Line {
        bool open = false;
        long rtpPort = 0;
        bool inbandDtmf = false;
        bool micMuted = false;
        bool speakerMuted = false;
        std::unique_ptr<EngineCall> call;
        std::unique_ptr<EngineCall> ended;
        std::unique_ptr<LinePlayback> playback;  // once a file is set
        // The call the recording operations address.
        EngineCall* recorded() const { return call ? call.get() : ended.get(); }
    };
    // A chat contact whose presence we subscribe to.
    struct Contact {
        FriendHandle subscribed;
        long reported = -1;  // last status told; -1: none yet
    };
    // An agent of our domain watching our presence, until its subscription
    // ends (unsubscribed, or not refreshed in time).
    struct Watcher {
        FriendHandle subscriber;
        std::string callId;  // of its subscription's dialog
        std::uint32_t until = 0;
    };
    // A call that replaces a line's call, accepted once iterate has returned.
    struct Replacement {
        CallHandle call;
        CallHandle replaced;
    };
    using Event = std::function<void(SipEngineEvents&)>;

    // One turn of the engine, from the loop timer: iterate liblinphone, check
    // the timers of calls and registration, post the delivery of what came.
    void pump();

    // An operation that acts clears the code when it succeeds; a query
    // (IsLine..., Get...) that succeeds leaves it alone, so that the line
    // status timer cannot wipe out a failure before it is reported.
    bool fail(long code) {
        lastError_ = code;
        return false;
    }
    bool ok() {
        lastError_ = kNoError;
        return true;
    }
    // Common checks of a line operation: engine up, line number valid, line open.
    bool checkLine(int line);
    // The call of ours liblinphone's call is, on a line or offered; nullptr
    // for one that ended or was never ours.
    EngineCall* callOf(LinphoneCall* call);
    // The line's call once it is talking; nullptr otherwise.
    EngineCall* liveCall(int line);
    void queue(Event event) {
        pending_.push_back(std::move(event));
        hurry();
    }
    // Runs liblinphone at once and then often for a while: a request went out
    // or a message came in.
    void hurry();
    void deliver();
    // Delivery runs as posted work, not inside the loop timer's tick: a timer
    // does not fire again while its own tick waits in a nested loop, so a
    // handler's msDelay would otherwise stop the engine for its whole wait.
    void scheduleDelivery();
    long startCore(long sipPort);  // an error code
    bool addAccount(const LinphoneAddress* identity, const LinphoneAddress* server, const std::string& userName,
                    const std::string& authLogin, const std::string& authPassword, const std::string& realm);
    void releaseCore();
    // SIP over TLS and media encryption (LinphoneSecurity.cpp).
    std::string tlsProblem() const;
    void applyTlsChecks();
    void applyMediaEncryption();
    void enableEncryptionOffer(LinphoneCallParams* params) const;
    bool refusesPlainAnswer(LinphoneCall* call) const;
    std::string transportFailure(const LinphoneErrorInfo* info);

    // A new call on a line: the line's last ended call is done with.
    EngineCall& placeCall(int line, std::unique_ptr<EngineCall> call);
    std::unique_ptr<EngineCall> newCall(CallDirection direction, CallState state);
    void createRecording(EngineCall& call) const;
    // The one end of the line's call: the report (none when the program
    // ended it) is queued, the line is free, the call is kept as the line's
    // last ended one, and liblinphone's call is terminated when still up.
    void endCall(int line, std::optional<Event> report, bool terminate);
    // The end of a call liblinphone says is over.
    void callGone(EngineCall& call);
    void checkAnswerTimeouts();
    void checkTransfers();
    void readTransferNews(EngineCall& call);
    void acceptTransfer(EngineCall& call);
    void failTransfer(EngineCall& call);
    static std::string callIdOf(LinphoneCall* call);
    void useAudioPort(long port);
    void useFreeLinePortForOffers();
    void offerIncoming(LinphoneCall* call);
    // Whether a request came through the SIP server (a request never seen
    // did not).
    bool throughProxy(const std::optional<ReceivedRequest>& request) const;
    void takeReplacingCall(LinphoneCall* call, LinphoneCall* replaced, bool viaProxy);
    void acceptReplacements();
    void endStrayCalls();
    void checkForeignChallenges();
    int lineOf(LinphoneCall* call) const;
    void refuseReferral(LinphoneCall* call);
    void endDeclinedReferral();
    void checkDeclinedReferral();
    Event failureReport(const EngineCall& call, LinphoneCall* linphoneCall);
    void applyCallAudio(int line);
    void applyAllCallAudio();
    void applyCodecs();
    void offerTelephoneEvents(bool on);
    void applyProductTag();
    void setInband(int line, bool on);
    LinphoneAddress* parseTarget(const std::string& target);
    bool validDevice(long index, bool capture);
    std::vector<LinphoneAudioDevice*> soundDevices(bool capture);  // referenced
    long deviceCount(bool capture);
    std::optional<std::string> deviceName(long index, bool capture);
    LinphoneAudioDevice* audioDevice(long index, bool capture);
    void waitForUnregistration();
    LinphoneChatRoom* chatRoomWith(const LinphoneAddress* peer);
    void forgetChatHistory(LinphoneChatRoom* room);
    LinePlayback& playbackOf(int line);
    void checkPlaybackEnds();
    std::filesystem::path recordingFolder() const;
    void checkContactSubscriptions();
    void checkPresenceWatchers();
    void dropWatcher(const std::string& key);
    bool subscribeContact(const std::string& name);
    void forgetChatRoom(LinphoneChatRoom* room);
    void reportContact(const std::string& name, Contact& contact, long status);

    loop::EventLoop& loop_;
    LinphoneEngineOptions options_;
    loop::EventLoop::TimerId timer_ = 0;
    bool busy_ = false;
    std::uint32_t busyUntil_ = 0;
    LinphoneCore* core_ = nullptr;
    AccountHandle account_;
    bool iterating_ = false;
    std::deque<Event> pending_;
    bool deliveryPosted_ = false;
    bool pumpPosted_ = false;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);  // for posted work
    long lastError_ = kNoError;

    std::string domain_;      // the identity's domain (SIP proxy)
    TrustedProxy proxy_;      // where requests must come from
    std::string serverHost_;  // the host requests are sent to
    // Why nothing may go to the server over TLS (an unusable RootCA, a
    // server given by address); empty when all is well.
    std::string securityProblem_;
    unsigned handshakeFailuresSeen_ = 0;
    std::vector<Line> lines_;
    std::map<std::string, Contact> contacts_;                     // by contact name
    std::map<std::string, Watcher> watchers_;                     // by "user@domain"
    std::uint64_t requestCursor_ = 0;                             // received requests looked at
    std::uint64_t challengeCursor_ = 0;                           // received challenges looked at
    std::string authRealm_;                                       // the only realm our credentials answer
    std::vector<Replacement> replacements_;                       // accepted after iterate
    std::vector<CallHandle> strays_;                              // ended after iterate
    std::map<std::string, std::unique_ptr<EngineCall>> offered_;  // by Call-ID
    std::uint64_t lastSerial_ = 0;                                // of the calls, for their files
    PortClaim sipPortClaim_;                                      // the SIP port, among this machine's engines
    ReferralDecliner referralDecliner_;
    CallHandle declinedReferral_;  // while the decliner answers it
    std::uint32_t declinedReferralAt_ = 0;
    int dialingLine_ = -1;  // line of the call being created by Dial
    int audioPort_ = -1;    // RTP port liblinphone gives the next call
    long offerPort_ = -1;   // the line port offers get, and when it was checked
    std::uint32_t offerPortCheckedAt_ = 0;

    Registration registration_{[this](Event event) { queue(std::move(event)); }};

    std::string productTag_;
    bool doNotDisturb_ = false;
    bool forwarding_ = false;
    std::string forwardTarget_;
    bool captureDevice_ = true;
    bool micMuted_ = false;
    bool speakerMuted_ = false;
    long micVolume_ = 125;
    long speakerVolume_ = 125;
    bool micBoost_ = false;
    bool agc_ = false;
    bool echoCancel_ = true;
    bool devicesReadOnce_ = false;     // liblinphone's device list re-read at least once
    std::uint32_t devicesReadAt_ = 0;  // tick of the last re-read
    long keepAliveSeconds_ = 30;
    std::vector<long> codecs_ = {3, 2};  // offer order; G.711 until chosen otherwise
};

}  // namespace velmora::engine
