#include "IncomingCalls.h"

#include "CallerId.h"
#include "CallEnd.h"
#include "Dialling.h"

#include "core/AppContext.h"
#include "core/DateStamps.h"
#include "core/ErrorReporter.h"
#include "core/SafeText.h"

#include <algorithm>

namespace velmora::calls {
namespace {

constexpr std::size_t kShownChars = 64;

void removeAt(core::ListBox& list, int index) {
    std::vector<std::string> kept = list.lines();
    const int selected = list.listIndex();
    kept.erase(kept.begin() + index);
    list.clear();
    for (const auto& line : kept) list.addItem(line);
    list.setListIndex(selected < index ? selected : selected > index ? selected - 1 : -1);
}

}  // namespace

void IncomingCalls::OnIncomingCall(const std::string& callId, const std::string& callerName,
                                   const std::string& callerNumber, const std::string&, const std::string&) {
    auto& w = app_.window;
    if (callId.empty() || offered_.size() >= kMaxOfferedCalls) return;
    if (std::any_of(offered_.begin(), offered_.end(), [&](const Offered& o) { return o.id == callId; })) return;
    Offered call{callId, core::shownText(callerNumber, kShownChars), core::shownText(callerName, kShownChars)};
    const std::string entry = call.name.empty() ? call.number : call.name + " - " + call.number;
    offered_.push_back(call);
    render(selectedId().empty() ? callId : selectedId());
    w.CIDTxt.setText(call.number);
    w.InBoundFrm.setVisible(true);
    if (w.CheckPlayRingTone.ticked()) app_.platform.startRingSound(app_.root.bin("ring.wav"));
    app_.platform.notify("Incoming call", entry);
}

void IncomingCalls::OnIncomingCallEnded(const std::string& callId) {
    auto found = std::find_if(offered_.begin(), offered_.end(), [&](const Offered& o) { return o.id == callId; });
    if (found == offered_.end()) return;
    const Offered call = *found;
    auto& w = app_.window;
    if (w.ListMissedCalls.count() >= kMaxMissedCalls) {
        removeAt(w.ListMissedCalls, 0);
        missedNumbers_.erase(missedNumbers_.begin());
    }
    w.ListMissedCalls.addItem(call.number + "  " + call.name + "  " + core::clockTime(app_.platform.localTime()));
    missedNumbers_.push_back(call.number);
    w.missedcall.setCaption(std::to_string(++missedCount_));
    w.missedcall.setVisible(true);
    removeOfferedCall(callId);
    if (w.CIDTxt.text() == call.number) w.CIDTxt.setText("");
    if (offered_.empty()) app_.platform.stopRingSound();
}

void IncomingCalls::removeOfferedCall(const std::string& callId) {
    auto& w = app_.window;
    const std::string selected = selectedId();
    offered_.erase(std::remove_if(offered_.begin(), offered_.end(), [&](const Offered& o) { return o.id == callId; }),
                   offered_.end());
    // The next call is one press of Accept away.
    render(selected == callId ? std::string() : selected);
    if (offered_.empty()) w.InBoundFrm.setVisible(false);
}

std::string IncomingCalls::selectedId() const {
    const int selected = app_.window.ListIncomingCall.listIndex();
    return selected >= 0 && selected < static_cast<int>(offered_.size()) && inStep() ? offered_[selected].id
                                                                                     : std::string();
}

bool IncomingCalls::inStep() const {
    const auto& ids = app_.window.ListIncomingCallIds.lines();
    if (ids.size() != offered_.size() || app_.window.ListIncomingCall.count() != static_cast<int>(offered_.size()))
        return false;
    for (std::size_t i = 0; i < ids.size(); ++i)
        if (ids[i] != offered_[i].id) return false;
    return true;
}

// Both lists are drawn from the offered calls, so nothing done to one list
// can put an entry beside another call's id.
void IncomingCalls::render(const std::string& selectId) {
    auto& w = app_.window;
    w.ListIncomingCall.clear();
    w.ListIncomingCallIds.clear();
    int selected = offered_.empty() ? -1 : 0;
    for (std::size_t i = 0; i < offered_.size(); ++i) {
        const Offered& call = offered_[i];
        w.ListIncomingCall.addItem(call.name.empty() ? call.number : call.name + " - " + call.number);
        w.ListIncomingCallIds.addItem(call.id);
        if (call.id == selectId) selected = static_cast<int>(i);
    }
    w.ListIncomingCall.setListIndex(selected);
}

const IncomingCalls::Offered* IncomingCalls::chosen() {
    if (!inStep()) {
        auto& w = app_.window;
        const auto ids = w.ListIncomingCallIds.lines();
        const auto shown = w.ListIncomingCall.lines();
        if (ids.size() != shown.size() || ids.size() > kMaxOfferedCalls) {
            // One list was changed without the other: drawn again from the
            // calls, and nothing is chosen until the agent chooses.
            render(std::string());
            w.ListIncomingCall.setListIndex(-1);
            return nullptr;
        }
        // Both lists were written as a pair (by a dialer, say): they are the offer.
        std::vector<Offered> taken;
        for (std::size_t i = 0; i < ids.size(); ++i) {
            const auto known =
                std::find_if(offered_.begin(), offered_.end(), [&](const Offered& o) { return o.id == ids[i]; });
            taken.push_back(known != offered_.end() ? *known : Offered{ids[i], shown[i], {}});
        }
        offered_ = taken;
    }
    const int selected = app_.window.ListIncomingCall.listIndex();
    if (selected < 0 || selected >= static_cast<int>(offered_.size())) return nullptr;
    return &offered_[selected];
}

void IncomingCalls::keepRinging() {
    app_.platform.stopRingSound();
    if (!offered_.empty() && app_.window.CheckPlayRingTone.ticked())
        app_.platform.startRingSound(app_.root.bin("ring.wav"));
}

void IncomingCalls::accept() {
    auto& w = app_.window;
    const Offered* chosenCall = chosen();
    if (!chosenCall || app_.state.shuttingDown) return;
    const Offered call = *chosenCall;
    const int line = w.ComboIncomingCall.listIndex();
    // A refused call still on the line ends before the line takes this one.
    if (core::Call* refused = app_.state.calls.onLine(line); refused && refused->state == core::CallState::Failed)
        endFailedCall(app_, refused->serial);
    if (!app_.engine.AcceptCall(line, call.id, w.ListAudioIn.listIndex() - 1, w.ListAudioOut.listIndex() - 1)) {
        core::ReportEngineError(app_);
        return;
    }
    core::Call& taken = app_.state.calls.place(line, call.number, core::CallDirection::Incoming,
                                               core::epochOf(app_.platform.localTime()), app_.loop.tickCount());
    taken.callerName = call.name;
    // The talk time of a taken call is counted as a placed call's is.
    countAndShow(app_, taken);
    w.callsec.setText("0");
    w.CallTimer.setEnabled(true);
    removeOfferedCall(call.id);
    keepRinging();
    w.CIDTxt.setText(call.number);
    w.EditPhoneNo.setText(call.number);
    if (app_.state.recordAllSetting == "True") w.CheckStartRecording.setValue(1);
    if (w.cidCheck.ticked() && w.CIDTxt.text().size() > 9) callerIdHandOver(app_);
}

void IncomingCalls::reject() {
    auto& w = app_.window;
    const Offered* call = chosen();
    if (!call) return;
    const std::string id = call->id;
    if (!app_.engine.RejectCall(id)) return;
    removeOfferedCall(id);
    keepRinging();
    // A call in progress keeps its number in the dial field.
    if (!app_.state.calls.live().empty()) return;
    for (int line = 0; line < app_.state.lineCount; ++line)
        if (app_.engine.IsLineBusy(line)) return;
    w.CIDTxt.setText("");
    w.EditPhoneNo.setText("");
}

void IncomingCalls::offeredCallChosen() {
    if (const Offered* call = chosen()) app_.window.CIDTxt.setText(call->number);
}

// Do-not-disturb also refuses the calls ringing at that moment.
void IncomingCalls::doNotDisturbClicked() {
    if (!app_.window.CheckDisturb.ticked()) {
        app_.engine.DisableDoNotDisturb();
        return;
    }
    app_.engine.EnableDoNotDisturb();
    const auto ringing = offered_;
    for (const auto& call : ringing) {
        app_.engine.RejectCall(call.id);
        removeOfferedCall(call.id);
    }
    if (!ringing.empty()) app_.platform.stopRingSound();
}

void IncomingCalls::missedCallsPressed() {
    auto& w = app_.window;
    missedCount_ = 0;
    w.missedcall.setCaption("0");
    w.missedcall.setVisible(false);
    w.MissedCallsFrm.setVisible(true);
}

void IncomingCalls::callBack() {
    auto& w = app_.window;
    const int selected = w.ListMissedCalls.listIndex();
    if (selected < 0 || selected >= static_cast<int>(missedNumbers_.size())) return;
    const std::string number = dialableText(missedNumbers_[selected]);
    if (number.empty()) return;
    w.EditPhoneNo.setText(number);
    w.BtnDial.click();
}

}  // namespace velmora::calls
