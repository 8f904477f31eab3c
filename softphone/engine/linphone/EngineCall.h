#pragma once

#include "CallRecording.h"
#include "LinphoneHandle.h"
#include "TransferWatch.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>

namespace velmora::engine {

// Where a call is in its life. Every call ends exactly once (Ended), and
// what the program is told of that end is decided at that one moment.
enum class CallState {
    Offered,       // an incoming call the program has not taken yet
    Dialling,      // placed by Dial, no request seen leaving yet
    Ringing,       // our INVITE is out (OnConnecting told), no answer yet
    Answering,     // an offered call accepted, media not up yet
    Connected,     // talking (held by the far end counts as talking)
    Held,          // held by us
    Transferring,  // a REFER of ours is out: the transfer decides the end
    Ended,
};

enum class CallDirection { Outgoing, Incoming };

// The far end as its request or answer named it (hostile text: shown and
// logged, never trusted).
struct RemoteParty {
    std::string number;  // the URI's user part
    std::string name;    // display name
    std::string uri;
};

// One call of the engine, from its offer or dial to its end: its line, its
// liblinphone call, its state and what it recorded.
class EngineCall {
public:
    EngineCall(std::uint64_t serial, CallDirection direction, CallState state)
        : serial(serial), direction(direction), state(state) {}
    ~EngineCall() {
        // A call dropped while recording keeps what it recorded.
        if (recording) recording->endStretch(handle.get(), true);
    }
    EngineCall(const EngineCall&) = delete;
    EngineCall& operator=(const EngineCall&) = delete;

    bool ended() const { return state == CallState::Ended; }
    // Talking, whether held by either side or being transferred.
    bool live() const {
        return state == CallState::Connected || state == CallState::Held || state == CallState::Transferring;
    }

    const std::uint64_t serial;  // names its recording files
    const CallDirection direction;
    CallState state;
    int line = -1;        // none while offered
    std::string offerId;  // the Call-ID an offer is known by to the program
    RemoteParty remote;
    CallHandle handle;            // empty for a Dial whose INVITE is not created yet, and once ended
    std::uint32_t startedAt = 0;  // tick of Dial, or of the offer
    long inputDevice = -1;
    long outputDevice = -1;
    std::unique_ptr<CallRecording> recording;  // once on a line

    // Facts that are not states.
    // liblinphone pauses a call for a REFER it received or for one of ours
    // that failed; the engine resumes it when the pause is through.
    bool resumeWhenPaused = false;
    // The far end answered without the SRTP the engine requires; liblinphone
    // ends the call at once, and the end is reported as that refusal.
    bool plainAnswerRefused = false;
    // The call's dialog was replaced while recording: the recording goes on
    // in the new dialog once its audio runs.
    bool recordWhenRunning = false;

    // A transfer of ours under way (state Transferring).
    struct Transfer {
        CallState before = CallState::Connected;
        bool acceptedTold = false;                            // OnTransferAccepted, at most once
        std::optional<std::uint32_t> acceptedAt;              // tick the far end took it on (202 or a NOTIFY)
        std::optional<std::pair<long, std::string>> failure;  // a refusal's code and phrase
        std::unique_ptr<TransferWatch> watch = std::make_unique<TransferWatch>();
    };
    std::optional<Transfer> transfer;
};

}  // namespace velmora::engine
