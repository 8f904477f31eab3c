#include "HoldTransfer.h"

#include "CallEnd.h"
#include "Dialling.h"

#include "core/AppContext.h"
#include "core/ErrorReporter.h"
#include "core/StatusLog.h"
#include "core/TextRules.h"

namespace velmora::calls {
namespace {

void selectDialLine(core::AppContext& app, int line) {
    if (line < app.window.ComboDial.count()) app.window.ComboDial.setListIndex(line);
}

}  // namespace

void handOver(core::AppContext& app, int line, const std::string& outcome) {
    core::Call* call = callOfLine(app, line);
    if (!call) return;
    call->state = core::CallState::Transferring;
    call->transferOutcome = outcome;
    call->transferNumber = app.window.EditTransferPhoneNo.text();
}

void transferFailed(core::AppContext& app, int line) {
    core::Call* call = app.state.calls.onLine(line);
    if (!call || call->state != core::CallState::Transferring) return;
    call->state = core::CallState::Connected;
    call->transferOutcome.clear();
    call->transferNumber.clear();
}

void hold(core::AppContext& app) {
    const int line = dialLine(app);
    if (const core::Call* call = app.state.calls.onLine(line))
        callEndRecording(app, call->serial, false);
    else
        loop::msDelay(app.loop, 500);
    app.engine.HoldLine(line);
    app.window.ListStatusLog.clear();
    core::ShowStatus(app, core::lineStatus(line, "Hold"));
}

void unhold(core::AppContext& app) {
    const int line = dialLine(app);
    if (!app.engine.UnholdLine(line)) core::ReportEngineError(app);
    app.window.ListStatusLog.clear();
    core::ShowStatus(app, core::lineStatus(line, "Connected"));
    app.state.recordAllSetting = app.settings().get(core::keys::recordAll);
    if (app.state.recordAllSetting == "True") app.window.CheckStartRecording.setValue(1);
}

void blindTransfer(core::AppContext& app) {
    auto& w = app.window;
    // Without a number the prefix alone would be the target.
    if (w.EditTransferPhoneNo.text().empty()) {
        app.platform.messageBox("Please enter a phone number.", core::MessageStyle::Ok);
        return;
    }
    const int line = w.ComboTransferCall.listIndex();
    const std::string target = core::trimSpaces(w.PreDialTxT.text()) + w.EditTransferPhoneNo.text();
    // A refused transfer did not happen: no status line, no record.
    if (!app.engine.TransferCall(line, target)) {
        core::ReportEngineError(app);
        return;
    }
    // Its record waits for the far end: a transfer it refuses did not happen.
    handOver(app, line, "Blind Transfer");
    core::ShowStatus(app, core::lineStatus(line, "Blind Transfer "));
    selectDialLine(app, 0);
}

std::optional<std::string> transferNumberOf(const std::string& text) {
    if (text.size() == 10) return text;
    const auto space = text.find(' ');
    if (space == std::string::npos || space >= 50 || space == 0) return std::nullopt;
    return text.substr(0, space);
}

void secondLineCall(core::AppContext& app) {
    auto& w = app.window;
    app.state.consultTransferFlag = false;
    if (w.EditTransferPhoneNo.text().empty()) return;
    selectDialLine(app, 1);
    // The second line, even if the selector moved during the wait.
    const int line = dialLine(app);
    loop::msDelay(app.loop, 500);
    const auto number = transferNumberOf(w.EditTransferPhoneNo.text());
    if (!number) return;
    w.PreDialTxT.setText(app.settings().get(core::keys::PreDialNumber));
    const std::string target = core::trimSpaces(w.PreDialTxT.text()) + *number;
    if (!placeCall(app, line, target, *number, w.ListAudioIn.listIndex() - 1, w.ListAudioOut.listIndex() - 1)) {
        core::ReportEngineError(app);
        return;
    }
    core::ShowStatus(app, core::lineStatus(line, "Dialing - " + target));
}

void consultTransfer(core::AppContext& app) {
    auto& w = app.window;
    if (w.EditPhoneNo.text().empty()) return;
    selectDialLine(app, 0);
    loop::msDelay(app.loop, 100);
    unhold(app);
    loop::msDelay(app.loop, 100);
    const int lineA = w.ComboConsultLineA.listIndex();
    const int lineB = w.ComboConsultLineB.listIndex();
    if (lineA == lineB) {
        app.platform.messageBox("Please select two different lines.", core::MessageStyle::Ok);
        return;
    }
    // Lines that were not joined keep their calls and their recording.
    if (!app.engine.JoinLines(lineA, lineB)) {
        core::ReportEngineError(app);
        return;
    }
    app.state.consultTransferFlag = true;
    selectDialLine(app, 0);
    core::ShowStatus(app, core::lineStatus(0, "Supervised Transfer "));
    // The record of the transfer is the second line's call's, under the
    // number that call went to (the transfer field may hold another by now).
    // Without a call there, the field's number.
    if (w.EditAccountDisplayName.text().empty()) return;
    core::Call* joined = app.state.calls.onLine(lineB);
    if (joined && joined->logged) return;  // joined once already: one record a call
    core::Call unknown;
    writeCallRecord(app, joined ? *joined : unknown, joined ? joined->number : w.EditTransferPhoneNo.text(),
                    "Supervised Transfer", w.callsec.text());
    w.callsec.setText("0");
}

void threeWay(core::AppContext& app) {
    selectDialLine(app, 0);
    loop::msDelay(app.loop, 100);
    unhold(app);
    loop::msDelay(app.loop, 100);
    selectDialLine(app, 1);
    loop::msDelay(app.loop, 100);
    selectDialLine(app, 0);
}

void transferNumberChosen(core::AppContext& app) {
    app.settings().set(core::keys::TransferNumber, app.window.EditTransferPhoneNo.text());
}

void transferFrameDoubleClicked(core::AppContext& app) {
    app.window.EditTransferPhoneNo.setText("");
    app.settings().set(core::keys::TransferNumber, "");
}

void forwardNumberClicked(core::AppContext& app) {
    app.settings().set(core::keys::Forward, app.window.EditForwardCallPhoneNo.text());
}

void forwardCallClicked(core::AppContext& app) {
    auto& w = app.window;
    const bool on = w.CheckForwardCall.ticked();
    const std::string number = w.EditForwardCallPhoneNo.text();
    if (on && number.empty()) {
        app.platform.messageBox("Please enter a phone number.", core::MessageStyle::Ok);
        w.CheckForwardCall.setValue(0);  // runs this again: forwarding off
        return;
    }
    if (!app.engine.ForwardCalls(on, number)) core::ReportEngineError(app);
}

}  // namespace velmora::calls
