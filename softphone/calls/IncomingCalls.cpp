#include "IncomingCalls.h"

#include "CallerId.h"

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

// What a call-back may dial: the number's dialling characters only.
std::string dialable(const std::string& number) {
    std::string out;
    for (char c : number)
        if ((c >= '0' && c <= '9') || c == '*' || c == '#' || c == '+') out += c;
    return out;
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
    w.ListIncomingCall.addItem(entry);
    w.ListIncomingCallIds.addItem(callId);
    if (w.ListIncomingCall.listIndex() < 0) w.ListIncomingCall.setListIndex(w.ListIncomingCall.count() - 1);
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
    const int count = w.ListIncomingCallIds.count();
    for (int i = count - 1; i >= 0; --i) {
        if (w.ListIncomingCallIds.lines()[i] != callId) continue;
        removeAt(w.ListIncomingCallIds, i);
        removeAt(w.ListIncomingCall, i);
        offered_.erase(offered_.begin() + i);
    }
    if (offered_.empty())
        w.InBoundFrm.setVisible(false);
    else if (w.ListIncomingCall.listIndex() < 0)
        w.ListIncomingCall.setListIndex(0);  // the next call is one press of Accept away
}

void IncomingCalls::keepRinging() {
    app_.platform.stopRingSound();
    if (!offered_.empty() && app_.window.CheckPlayRingTone.ticked())
        app_.platform.startRingSound(app_.root.bin("ring.wav"));
}

void IncomingCalls::accept() {
    auto& w = app_.window;
    const int selected = w.ListIncomingCall.listIndex();
    if (selected < 0 || selected >= static_cast<int>(offered_.size())) return;
    const Offered call = offered_[selected];
    if (!app_.engine.AcceptCall(w.ComboIncomingCall.listIndex(), call.id, w.ListAudioIn.listIndex() - 1,
                                w.ListAudioOut.listIndex() - 1)) {
        core::ReportEngineError(app_);
        return;
    }
    removeOfferedCall(call.id);
    keepRinging();
    w.CIDTxt.setText(call.number);
    w.EditPhoneNo.setText(call.number);  // the number of the call, for its call-log record
    if (app_.state.recordAllSetting == "True") w.CheckStartRecording.setValue(1);
    if (w.cidCheck.ticked() && w.CIDTxt.text().size() > 9) callerIdHandOver(app_);
}

void IncomingCalls::reject() {
    auto& w = app_.window;
    const int selected = w.ListIncomingCall.listIndex();
    if (selected < 0 || selected >= static_cast<int>(offered_.size())) return;
    const std::string id = offered_[selected].id;
    if (!app_.engine.RejectCall(id)) return;
    removeOfferedCall(id);
    keepRinging();
    // A call in progress on a line keeps its number (its call-log record needs it).
    for (int line = 0; line < app_.state.lineCount; ++line)
        if (app_.engine.IsLineBusy(line)) return;
    w.CIDTxt.setText("");
    w.EditPhoneNo.setText("");
}

void IncomingCalls::offeredCallChosen() {
    const int selected = app_.window.ListIncomingCall.listIndex();
    if (selected >= 0 && selected < static_cast<int>(offered_.size()))
        app_.window.CIDTxt.setText(offered_[selected].number);
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
    const std::string number = dialable(missedNumbers_[selected]);
    if (number.empty()) return;
    w.EditPhoneNo.setText(number);
    w.BtnDial.click();
}

}  // namespace velmora::calls
