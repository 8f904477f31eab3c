#include "CallStrip.h"

#include "Dialling.h"

#include "core/AppContext.h"
#include "core/EngineEventBus.h"
#include "core/SafeText.h"

#include <algorithm>
#include <cstdio>

namespace velmora::calls {
namespace {

using core::CallState;
using State = StripLine::State;

constexpr std::size_t kNumberChars = 32;
constexpr std::size_t kNameChars = 40;

std::string outcomeOf(const core::Call& call, CallState lastState, bool agentEnded, const std::string& refusal) {
    if (lastState == CallState::Transferring && !call.transferOutcome.empty()) {
        if (call.transferOutcome == "Blind Transfer") return "Transferred";
        if (call.transferOutcome == "Answering Machine") return "Message left";
        return call.transferOutcome;
    }
    if (lastState == CallState::Failed) return refusal.empty() ? "Refused" : "Refused: " + refusal;
    if (call.answered == 0) return agentEnded ? "Ended: cancelled" : "Ended: not answered";
    if (agentEnded) return "Ended: you hung up";
    return call.direction == core::CallDirection::Incoming ? "Ended: caller hung up" : "Ended: far end hung up";
}

// "Alice Example - 5551234567" or "5551234567", as the incoming panel lists an offer.
OfferedCall offerOf(const std::string& entry) {
    const auto dash = entry.rfind(" - ");
    if (dash == std::string::npos) return {entry, {}};
    return {entry.substr(dash + 3), entry.substr(0, dash)};
}

}  // namespace

std::string talkTimeText(long seconds) {
    if (seconds < 0) seconds = 0;
    const long h = seconds / 3600, m = seconds / 60 % 60, s = seconds % 60;
    char text[32];
    if (h > 0)
        std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", h, m, s);
    else
        std::snprintf(text, sizeof text, "%ld:%02ld", m, s);
    return text;
}

CallStripModel::CallStripModel(int lines) : rows_(std::max(lines, 0)), seen_(std::max(lines, 0)) {
    for (int i = 0; i < lines; ++i) {
        rows_[i].line = i;
        rows_[i].stateText = "Free";
    }
}

void CallStripModel::agentEnds(int line) {
    if (line >= 0 && line < static_cast<int>(seen_.size())) seen_[line].agentEnded = true;
}

bool CallStripModel::needsClock() const {
    return std::any_of(rows_.begin(), rows_.end(), [](const StripLine& r) {
        return r.state == State::Connected || r.state == State::OnHold || r.state == State::Transferring ||
               r.state == State::Ended;
    });
}

StripLine CallStripModel::rowFor(int line, core::CallBook& book, std::time_t now, const LineFacts& facts,
                                 const std::vector<OfferedCall>& offers, int offerLine,
                                 const std::string& refusalText) {
    Seen& seen = seen_[line];
    StripLine row;
    row.line = line;
    if (core::Call* call = book.onLine(line)) {
        if (call->serial != seen.serial) seen = Seen{call->serial, call->state};
        seen.lastState = call->state;
        if (call->state == CallState::Failed && seen.refusal.empty()) seen.refusal = core::shownText(refusalText, 40);
        row.serial = call->serial;
        row.number = core::shownText(call->number, kNumberChars);
        row.callerName = core::shownText(call->callerName, kNameChars);
        row.muted = facts.micMuted;
        if (call->answered) row.talkTime = talkTimeText(static_cast<long>(now - call->answered));
        switch (call->state) {
        case CallState::Dialling:
            row.state = call->direction == core::CallDirection::Incoming ? State::Ringing : State::Calling;
            row.stateText = call->direction == core::CallDirection::Incoming ? "Answering" : "Calling";
            break;
        case CallState::Connected:
            row.state = facts.held ? State::OnHold : State::Connected;
            row.stateText = facts.held ? "On hold" : "Connected";
            break;
        case CallState::Transferring:
            row.state = State::Transferring;
            row.stateText = "Transferring";
            break;
        case CallState::Failed:
            row.state = State::Refused;
            row.stateText = seen.refusal.empty() ? "Refused" : "Refused: " + seen.refusal;
            break;
        case CallState::Ended: break;  // onLine never gives one
        }
        seen.last = row;
        return row;
    }
    // No live call: the call seen last has ended, and says how for a moment.
    if (seen.serial != 0) {
        if (seen.endedShownSince == 0) {
            const core::Call* ended = book.find(seen.serial);
            seen.outcome = ended ? outcomeOf(*ended, seen.lastState, seen.agentEnded, seen.refusal) : "Ended";
            seen.endedShownSince = now;
        }
        if (now - seen.endedShownSince < kOutcomeSeconds) {
            row = seen.last;
            row.state = State::Ended;
            row.stateText = seen.outcome;
            row.muted = false;
            return row;
        }
        seen = Seen{};
    }
    if (line == offerLine && !offers.empty()) {
        row.state = State::Ringing;
        row.stateText = offers.size() > 1 ? "Ringing (" + std::to_string(offers.size()) + " calls)" : "Ringing";
        row.number = core::shownText(offers.front().number, kNumberChars);
        row.callerName = core::shownText(offers.front().callerName, kNameChars);
        return row;
    }
    seen.agentEnded = false;
    row.stateText = "Free";
    return row;
}

bool CallStripModel::refresh(core::CallBook& book, std::time_t now, const std::vector<LineFacts>& facts,
                             const std::vector<OfferedCall>& offers, int offerLine, const std::string& refusalText) {
    bool changed = false;
    for (int line = 0; line < static_cast<int>(rows_.size()); ++line) {
        const LineFacts f = line < static_cast<int>(facts.size()) ? facts[line] : LineFacts{};
        StripLine row = rowFor(line, book, now, f, offers, offerLine, refusalText);
        if (!(row == rows_[line])) {
            rows_[line] = std::move(row);
            changed = true;
        }
    }
    return changed;
}

bool refreshCallStrip(core::AppContext& app, CallStripModel& strip, const std::vector<bool>& held) {
    auto& w = app.window;
    std::vector<LineFacts> facts(strip.lines().size());
    for (int line = 0; line < static_cast<int>(facts.size()); ++line) {
        const core::Call* call = app.state.calls.onLine(line);
        if (!call || call->state != core::CallState::Connected) continue;
        facts[line].held = line < static_cast<int>(held.size()) && held[line];
        facts[line].micMuted = line < static_cast<int>(app.state.lineMicMuted.size()) && app.state.lineMicMuted[line];
    }
    std::vector<OfferedCall> offers;
    for (const auto& entry : w.ListIncomingCall.lines()) offers.push_back(offerOf(entry));
    const int offerLine = std::max(w.ComboIncomingCall.listIndex(), 0);
    // A refusal's reason: the banner's word for it, else the last status line.
    std::string refusal = w.mouseMenu.caption();
    if (refusal == "Click Right Mouse Button for Menu" || refusal.empty()) {
        refusal = w.ListStatusLog.lines().empty() ? std::string() : w.ListStatusLog.lines().back();
        if (const auto colon = refusal.find(": "); colon != std::string::npos) refusal = refusal.substr(colon + 2);
    }
    return strip.refresh(app.state.calls, std::time(nullptr), facts, offers, offerLine, refusal);
}

void stripHangUp(core::AppContext& app, CallStripModel& strip, int line) {
    auto& w = app.window;
    if (!app.state.calls.onLine(line)) {
        // An offered call on the line: Hang Up refuses it.
        if (w.ListIncomingCall.count() > 0) {
            w.ListIncomingCall.setListIndex(0);
            w.BtnReject.click();
        }
        return;
    }
    strip.agentEnds(line);
    if (line < w.ComboDial.count()) w.ComboDial.setListIndex(line);
    w.BtnHangUp.click();
}

void stripToggleHold(core::AppContext& app, int line, bool held) {
    auto& w = app.window;
    if (!app.state.calls.onLine(line) || line >= w.ComboDial.count()) return;
    w.ComboDial.setListIndex(line);
    (held ? w.BtnUnHold : w.BtnHold).click();
}

void stripToggleMute(core::AppContext& app, int line) {
    auto& w = app.window;
    if (line >= w.ComboMuteLine.count()) return;
    w.ComboMuteLine.setListIndex(line);  // the box shows that line's mute
    w.CheckMuteLineMIC.click();
}

void stripTransfer(core::AppContext& app, int line, const std::string& number) {
    auto& w = app.window;
    if (!app.state.calls.onLine(line) || line >= w.ComboTransferCall.count()) return;
    w.ComboTransferCall.setListIndex(line);
    w.EditTransferPhoneNo.setText(number);
    w.BtnTransferCall.click();
}

namespace {

struct StripControls {
    core::Label *state, *caller, *time;
    core::Button *mute, *hold, *transfer, *hangUp;
};

StripControls controlsOf(core::MainWindowModel& w, int line) {
    if (line == 0)
        return {&w.StripState1, &w.StripCaller1,   &w.StripTime1,  &w.StripMute1,
                &w.StripHold1,  &w.StripTransfer1, &w.StripHangUp1};
    return {&w.StripState2, &w.StripCaller2,   &w.StripTime2,  &w.StripMute2,
            &w.StripHold2,  &w.StripTransfer2, &w.StripHangUp2};
}

void setCaption(core::Captioned& c, const std::string& text) {
    if (c.caption() != text) c.setCaption(text);
}
void setEnabled(core::Control& c, bool on) {
    if (c.enabled() != on) c.setEnabled(on);
}
void setVisible(core::Control& c, bool on) {
    if (c.visible() != on) c.setVisible(on);
}

// The strip is redrawn after the engine's events reach the call handlers
// (it is added to the bus after them), so it reads the calls as they are now.
class CallStripEvents : public engine::SipEngineEvents {
public:
    explicit CallStripEvents(core::AppContext& app) : app_(app) {}
    CallStripModel& model() { return strip_; }
    void redraw() {
        for (int line = 0; line < 2; ++line)
            if (!app_.state.calls.onLine(line)) held_[line] = false;
        if (refreshCallStrip(app_, strip_, held_)) showCallStrip(app_, strip_);
    }
    // The Lines page has just read each line's state from the engine.
    void readLineStates() {
        const auto& rows = app_.window.ListViewLineStatus.rows();
        for (int line = 0; line < 2 && line < static_cast<int>(rows.size()); ++line)
            if (rows[line].size() > 1) held_[line] = rows[line][1] == "hold";
    }
    std::vector<bool> held_ = std::vector<bool>(2, false);
    void OnConnecting(int) override { redraw(); }
    void OnConnected(int, const std::string&, const std::string&) override { redraw(); }
    void OnHungUp(int) override { redraw(); }
    void OnConnectFailed(int) override { redraw(); }
    void OnFailureResponseA(int, long, const std::string&, const std::string&) override { redraw(); }
    void OnFailureResponseB(int, long, const std::string&) override { redraw(); }
    void OnFailureResponseC(int, long, const std::string&) override { redraw(); }
    void OnFailureResponseD(int, long, const std::string&) override { redraw(); }
    void OnTransferAccepted(int) override { redraw(); }
    void OnTransferFailed(int, long, const std::string&) override { redraw(); }
    void OnIncomingCall(const std::string&, const std::string&, const std::string&, const std::string&,
                        const std::string&) override {
        redraw();
    }
    void OnIncomingCallEnded(const std::string&) override { redraw(); }

private:
    core::AppContext& app_;
    CallStripModel strip_{2};
};

// Runs `act`, then redraws: the agent's own acts raise no engine event.
core::Handler andRedraw(core::Handler act, CallStripEvents* strip) {
    return [act = std::move(act), strip] {
        if (act) act();
        strip->redraw();
    };
}

}  // namespace

void showCallStrip(core::AppContext& app, const CallStripModel& strip) {
    for (const StripLine& row : strip.lines()) {
        if (row.line > 1) break;
        const StripControls c = controlsOf(app.window, row.line);
        setCaption(*c.state, row.stateText);
        std::string caller = row.number;
        if (!row.callerName.empty()) caller = row.callerName + (caller.empty() ? "" : " - " + caller);
        setCaption(*c.caller, caller);
        setCaption(*c.time, row.talkTime);
        const bool active = row.state != StripLine::State::Idle && row.state != StripLine::State::Ended;
        for (core::Button* b : {c.mute, c.hold, c.transfer, c.hangUp}) setVisible(*b, active);
        setEnabled(*c.mute, row.canMute());
        setCaption(*c.mute, row.muted ? "Unmute" : "Mute");
        setEnabled(*c.hold, row.canHold());
        setCaption(*c.hold, row.state == StripLine::State::OnHold ? "Unhold" : "Hold");
        setEnabled(*c.transfer, row.canTransfer());
        setEnabled(*c.hangUp, row.canHangUp());
        setCaption(*c.hangUp, row.state == StripLine::State::Ringing && row.serial == 0 ? "Reject" : "Hang Up");
    }
}

void installCallStrip(core::AppContext& app, core::EngineEventBus& events) {
    auto sink = std::make_unique<CallStripEvents>(app);
    CallStripEvents* strip = sink.get();
    events.add(std::move(sink));
    auto& w = app.window;
    for (int line = 0; line < 2; ++line) {
        const StripControls c = controlsOf(w, line);
        c.mute->onClick = andRedraw([&app, line] { stripToggleMute(app, line); }, strip);
        c.hold->onClick = andRedraw([&app, strip, line] { stripToggleHold(app, line, strip->held_[line]); }, strip);
        c.transfer->onClick = andRedraw(
            [&app, line] {
                const std::string to = app.window.StripTransferTo.text();
                stripTransfer(app, line, to.empty() ? app.window.EditTransferPhoneNo.text() : to);
                app.window.StripTransferTo.setText("");
            },
            strip);
        c.hangUp->onClick = andRedraw([&app, strip, line] { stripHangUp(app, strip->model(), line); }, strip);
    }
    // Hang Up of the window itself is the agent's too: its outcome says so.
    w.BtnHangUp.onClick = andRedraw(
        [&app, strip, hangUp = w.BtnHangUp.onClick] {
            strip->model().agentEnds(dialLine(app));
            if (hangUp) hangUp();
        },
        strip);
    for (auto [button, holds] : {std::pair{&w.BtnHold, true}, {&w.BtnUnHold, false}})
        button->onClick = andRedraw(
            [&app, strip, holds = holds, act = button->onClick] {
                const int line = dialLine(app);
                if (act) act();
                if (line >= 0 && line < 2) strip->held_[line] = holds;
            },
            strip);
    for (core::Button* b : {&w.BtnDial, &w.BtnAccept, &w.BtnReject, &w.BtnTransferCall})
        b->onClick = andRedraw(b->onClick, strip);
    // The talk time counts on TimerTick's second (online), and CallTimer's
    // while a call is counted; an idle strip draws nothing new.
    w.TimerTick.onTick = andRedraw(
        [strip, tick = w.TimerTick.onTick] {
            if (tick) tick();
            strip->readLineStates();
        },
        strip);
    w.CallTimer.onTick = andRedraw(w.CallTimer.onTick, strip);
    strip->redraw();
    showCallStrip(app, strip->model());
}

}  // namespace velmora::calls
