#include "CallEnd.h"

#include "CallLogWriters.h"
#include "Dialling.h"
#include "RecordingSave.h"
#include "RingBack.h"

#include "core/AgentFiles.h"
#include "core/AppContext.h"
#include "core/DateStamps.h"
#include "core/ErrorReporter.h"
#include "core/Startup.h"
#include "core/StatusLog.h"

namespace velmora::calls {
namespace {

using core::Call;

// The boxes, the dial field and the counter belong to the call they show; a
// call on the other line ends without touching them.
bool showsCall(core::AppContext& app, const Call& call) {
    const Call* shown = app.state.calls.shown();
    return !shown || shown == &call;
}

void stopCounterOf(core::AppContext& app, const Call& call) {
    if (call.counted) app.window.CallTimer.setEnabled(false);
}

// Which record a call's end writes: a transfer the far end took writes the
// transfer's record; a call logged already (a supervised transfer) none.
struct EndRecord {
    bool write;
    std::string number, outcome;
};

EndRecord recordOf(const Call& call, const std::string& plainOutcome, bool farEnd) {
    if (call.logged) return {false, {}, {}};
    if (farEnd && call.state == core::CallState::Transferring) return {true, call.transferNumber, call.transferOutcome};
    return {true, call.number, plainOutcome};
}

}  // namespace

std::string callSeconds(core::AppContext& app, const Call& call) {
    if (call.counted) return app.window.callsec.text();
    return std::to_string((app.loop.tickCount() - call.startedTick) / 1000);
}

void writeCallRecord(core::AppContext& app, Call& call, const std::string& number, const std::string& outcome) {
    writeCallRecord(app, call, number, outcome, callSeconds(app, call));
}

void writeCallRecord(core::AppContext& app, Call& call, const std::string& number, const std::string& outcome,
                     const std::string& seconds) {
    const std::tm now = app.platform.localTime();
    const std::string agent = app.window.EditAccountDisplayName.text();
    writeOUTEntry(agentCallLog(app), {number, agent, seconds, core::clockTime(now), core::shortDate(now), outcome});
    call.logged = true;
    if (!app.records) return;
    core::CallRecordRow row;
    row.callId = call.id();
    row.agentLogin = app.window.EditAccountUserName.text();
    row.agentName = agent;
    row.account = app.state.accountNumber;
    row.line = call.line;
    row.direction = call.direction == core::CallDirection::Outgoing ? "out" : "in";
    row.number = number;
    row.callerName = call.callerName;
    row.startUtc = call.started;
    row.answerUtc = call.answered;
    row.endUtc = call.ended ? call.ended : core::epochOf(now);
    row.utcOffsetSeconds = static_cast<int>(now.tm_gmtoff);
    row.seconds = std::strtol(seconds.c_str(), nullptr, 10);
    row.outcome = outcome;
    row.recordingFile = call.savedRecording;
    app.records->recordWritten(row);
}

std::filesystem::path agentCallLog(const core::AppContext& app) { return core::callLogFile(app); }

void callEndRecording(core::AppContext& app, std::uint64_t serial, bool callOver) {
    auto& w = app.window;
    Call* call = app.state.calls.find(serial);
    if (!call) return;
    app.state.recordAllSetting = app.settings().get(core::keys::recordAll);
    const bool recordAll = app.state.recordAllSetting == "True";
    const bool shown = showsCall(app, *call);
    if (recordAll) saveRecordingStep(app, *call);
    if (recordAll && shown) w.RecThisCallCheck.setValue(0);
    // Saved once: with recordAll on, the box was cleared by the first save.
    if (shown && w.RecThisCallCheck.ticked()) saveRecordingStep(app, *call);
    if (callOver && call->recorded) {
        if (shown) clearRecordingBoxes(app, serial);
        keepUnsavedRecording(app, *call);
    }
    loop::msDelay(app.loop, 500);
}

void hangUpCall(core::AppContext& app, std::uint64_t serial) {
    Call* call = app.state.calls.find(serial);
    if (!call || !call->live()) return;
    auto& w = app.window;
    w.vmclick.setEnabled(true);
    core::applyInBandSetting(app);
    stopCounterOf(app, *call);
    w.ListStatusLog.clear();
    w.statusLb.setCaption("");
    // A refused call's line is free already and may carry a newer call by now.
    const bool lineIsItsOwn = app.state.calls.onLine(call->line) == call;
    if (lineIsItsOwn && !app.engine.DisconnectLine(call->line)) {
        core::ReportEngineError(app);
        return;
    }
    const bool shown = showsCall(app, *call);
    const EndRecord record = recordOf(*call, "hang up", false);
    // From here on the call is over: a second Hang Up, or the far end's own
    // hang-up arriving during the waits below, finds nothing to end.
    app.state.calls.end(*call, core::epochOf(app.platform.localTime()));
    stopRingBack(app);
    if (call->recorded) callEndRecording(app, serial, true);
    call = app.state.calls.find(serial);
    if (!call) return;
    if (shown) {
        w.EditPhoneNo.setText("");
        if (w.ComboDial.count() > 0) w.ComboDial.setListIndex(0);
        clearRecordingBoxes(app, serial);
        w.CIDTxt.setText("");
    }
    w.logCleanTimer.setEnabled(true);
    if (!w.EditAccountDisplayName.text().empty() && record.write) {
        writeCallRecord(app, *call, record.number, record.outcome);
        if (call->counted) w.callsec.setText("0");
        app.state.lastDialledNumber.clear();
    }
}

void hangUp(core::AppContext& app) {
    auto& w = app.window;
    const int line = dialLine(app);
    const Call* call = callOfLine(app, line);
    if (!call) {
        // Nothing to end: the window's own steps, and the counter stops only
        // when no call of the other line needs it.
        w.vmclick.setEnabled(true);
        core::applyInBandSetting(app);
        if (!countedCall(app)) w.CallTimer.setEnabled(false);
        w.ListStatusLog.clear();
        w.statusLb.setCaption("");
        return;
    }
    hangUpCall(app, call->serial);
}

void farEndHangUp(core::AppContext& app, int line) {
    auto& w = app.window;
    Call* call = app.state.calls.onLine(line);
    if (!call) {
        // An engine that names another line: the call shown, if its line is free now.
        call = app.state.calls.shown();
        if (!call || !call->live()) return;  // ended already
    }
    const std::uint64_t serial = call->serial;
    const bool shown = showsCall(app, *call);
    const EndRecord record = recordOf(*call, "", true);
    const bool handedOver = call->state == core::CallState::Transferring;
    app.state.calls.end(*call, core::epochOf(app.platform.localTime()));
    stopRingBack(app);
    if (shown) w.CIDTxt.setText("");
    stopCounterOf(app, *call);
    if (handedOver) {
        // The transfer's own lines stay in sight: the agent sees it went through.
        core::ShowStatus(app, core::lineStatus(line, "Transferred."));
    } else {
        core::ShowStatus(app, core::lineStatus(line, "Hung up."));
        w.ListStatusLog.clear();
    }
    w.statusLb.setCaption("");
    w.logCleanTimer.setEnabled(true);
    if (call->recorded) callEndRecording(app, serial, true);
    call = app.state.calls.find(serial);
    if (!call) return;
    if (shown) clearRecordingBoxes(app, serial);
    // A transfer's record is the agent's, as every transfer record is.
    if (record.write && (record.outcome.empty() || !w.EditAccountDisplayName.text().empty()))
        writeCallRecord(app, *call, record.number, record.outcome);
    if (call->counted) w.callsec.setText("0");
    if (shown) {
        app.state.lastDialledNumber = w.EditPhoneNo.text();
        w.EditPhoneNo.setText("");
    }
}

void endFailedCall(core::AppContext& app, std::uint64_t serial) {
    auto& w = app.window;
    Call* call = app.state.calls.find(serial);
    if (!call || !call->live()) return;
    const bool shown = showsCall(app, *call);
    app.state.calls.end(*call, core::epochOf(app.platform.localTime()));
    stopCounterOf(app, *call);
    if (call->recorded) callEndRecording(app, serial, true);
    call = app.state.calls.find(serial);
    if (!call) return;
    if (shown) {
        clearRecordingBoxes(app, serial);
        w.CIDTxt.setText("");
    }
    if (!w.EditAccountDisplayName.text().empty() && !call->logged) {
        writeCallRecord(app, *call, call->number, "hang up");
        if (call->counted) w.callsec.setText("0");
        app.state.lastDialledNumber.clear();
    }
    if (shown) w.EditPhoneNo.setText("");
}

}  // namespace velmora::calls
