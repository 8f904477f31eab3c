#pragma once

#include "core/CallBook.h"

#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

namespace velmora::core {
struct AppContext;
class EngineEventBus;
}  // namespace velmora::core

namespace velmora::calls {

// What the call strip beside the dial field shows for one line.
struct StripLine {
    enum class State { Idle, Ringing, Calling, Connected, OnHold, Transferring, Refused, Ended };
    int line = 0;
    State state = State::Idle;
    std::string stateText;  // "Connected", "On hold", "Ended: caller hung up", ...
    std::string number;     // cut and made harmless: the network chose it
    std::string callerName;
    std::string talkTime;  // m:ss from the answer; empty before it
    bool muted = false;
    std::uint64_t serial = 0;  // the call shown; 0 for an offer or nothing

    // Which of the line's buttons act now.
    bool canMute() const { return state == State::Connected || state == State::OnHold; }
    bool canHold() const { return state == State::Connected || state == State::OnHold; }
    bool canTransfer() const { return state == State::Connected || state == State::OnHold; }
    bool canHangUp() const { return state != State::Idle && state != State::Ended; }
    bool operator==(const StripLine&) const = default;
};

// The facts of a line the call book does not hold.
struct LineFacts {
    bool held = false;
    bool micMuted = false;
};

// A call offered to the agent and not yet taken.
struct OfferedCall {
    std::string number, callerName;
};

// The strip's rows, drawn from the call objects. A call that has ended shows
// its outcome for a few seconds and is then cleared; a live call is never
// hidden behind one that ended.
class CallStripModel {
public:
    static constexpr int kOutcomeSeconds = 4;

    explicit CallStripModel(int lines = 2);

    // Draws the rows again; true when anything the strip shows changed.
    // `offerLine` is the line an offered call would be taken on (-1: none).
    bool refresh(core::CallBook& book, std::time_t now, const std::vector<LineFacts>& facts,
                 const std::vector<OfferedCall>& offers, int offerLine, const std::string& refusalText = {});
    // The agent ended the line's call (Hang Up, the strip, a hotkey, the tray):
    // its outcome reads "you hung up", not the caller's.
    void agentEnds(int line);

    const std::vector<StripLine>& lines() const { return rows_; }
    // Something is shown that changes with time (a talk time, an outcome to clear).
    bool needsClock() const;

private:
    struct Seen {
        std::uint64_t serial = 0;
        core::CallState lastState = core::CallState::Dialling;
        std::string refusal;
        bool agentEnded = false;
        std::time_t endedShownSince = 0;
        std::string outcome;
        StripLine last;
    };
    StripLine rowFor(int line, core::CallBook& book, std::time_t now, const LineFacts& facts,
                     const std::vector<OfferedCall>& offers, int offerLine, const std::string& refusalText);

    std::vector<StripLine> rows_;
    std::vector<Seen> seen_;
};

// "m:ss" (or "h:mm:ss") of a talk time.
std::string talkTimeText(long seconds);

// The strip of the program's calls: `held` per line (what the agent's Hold
// and Unhold did, and what the Lines page last read from the engine; the
// strip asks the engine nothing itself), each line's mute, and the offered
// calls from the incoming panel.
bool refreshCallStrip(core::AppContext& app, CallStripModel& strip, const std::vector<bool>& held);

// The strip's controls (StripState1, StripHold1, ...) showing the rows;
// only what changed is set.
void showCallStrip(core::AppContext& app, const CallStripModel& strip);

// Connects the strip's buttons and keeps the strip drawn: after every engine
// event, every second of TimerTick and every act of the agent's on a call.
void installCallStrip(core::AppContext& app, core::EngineEventBus& events);

// The strip's buttons: each runs the window's own control for that line, so
// the handlers, status lines and records are the ones the agent knows.
void stripHangUp(core::AppContext& app, CallStripModel& strip, int line);
void stripToggleHold(core::AppContext& app, int line, bool held);
void stripToggleMute(core::AppContext& app, int line);
// A blind transfer of the line's call to `number` (the Transfer page's own button).
void stripTransfer(core::AppContext& app, int line, const std::string& number);

}  // namespace velmora::calls
