#include "CallRecording.h"

#include "calls/Dialling.h"
#include "calls/RecordingSave.h"
#include "calls/RingBack.h"

#include "core/AppContext.h"
#include "core/ErrorReporter.h"
#include "core/PopupMenu.h"
#include "core/StatusLog.h"

namespace velmora::media {
namespace {

bool noNumber(const std::string& number) { return number.empty() || number == " "; }

// Status texts of recording go straight to the list, never through the
// failed-call check of ShowStatus.
void showOnly(core::AppContext& app, const std::string& text) {
    app.window.ListStatusLog.clear();
    app.window.ListStatusLog.addItem(text);
}

// A sibling program, the button disabled while it starts.
void startTool(core::AppContext& app, core::Button& button, const std::string& program, int waitMs) {
    button.setEnabled(false);
    if (!core::startSibling(app, "apps", program)) core::ShowStatus(app, program + " is not installed in apps/.");
    loop::msDelay(app.loop, waitMs);
    button.setEnabled(true);
}

// The call the recording boxes act on: the one whose end step runs, else
// the call on the line of ComboDial.
core::Call* recordingCall(core::AppContext& app) {
    if (core::Call* ending = app.state.calls.ending()) return ending;
    return app.state.calls.onLine(calls::dialLine(app));
}

}  // namespace

void startRecordingChanged(core::AppContext& app) {
    auto& w = app.window;
    core::Call* call = recordingCall(app);
    // Its own number, not whatever the dial field holds by now (digits
    // typed as DTMF, say); without a call the field's.
    const std::string number = call ? call->number : w.EditPhoneNo.text();
    if (noNumber(number)) return;
    const bool on = w.CheckStartRecording.ticked();
    w.CheckStartRecording.setCaption(on ? "Stop Recording Call" : "Start Recording Call");
    calls::nameOwnRecording(app, number);
    showOnly(app, "Recording -" + number);
    const int line = call ? call->line : calls::dialLine(app);
    if (on) {
        if (!app.engine.StartLineRecording(line, 2, true))
            core::ReportEngineError(app);
        else if (call)
            call->recorded = true;
    } else {
        app.engine.PauseLineRecording(line);
        showOnly(app, "Recording Paused -" + number);
    }
}

void recordThisCallClicked(core::AppContext& app) {
    app.window.CheckStartRecording.setValue(app.window.RecThisCallCheck.ticked() ? 1 : 0);
}

void recordLineChosen(core::AppContext& app) {
    app.window.CheckStartRecording.setValue(app.engine.IsLineRecording(calls::dialLine(app)) ? 1 : 0);
}

void resetRecordingBuffer(core::AppContext& app) {
    app.engine.ResetRecording(calls::dialLine(app));
    if (core::Call* call = app.state.calls.onLine(calls::dialLine(app))) call->recorded = false;
}

void monitorRecordingClicked(core::AppContext& app) {
    auto& w = app.window;
    const std::string agent = app.state.monitoredAgent;
    if (noNumber(w.EditPhoneNo.text()) || agent.empty()) return;
    app.state.monitorRecordingFile = calls::recordingFileName(app, agent).string();
    showOnly(app, "Recording -" + agent);
    const int line = calls::dialLine(app);
    if (w.recCheck2.ticked()) {
        if (!app.engine.StartLineRecording(line, 2, true)) core::ReportEngineError(app);
    } else {
        app.engine.PauseLineRecording(line);
        showOnly(app, "Recording Paused -" + agent);
    }
}

void monitorHangUp(core::AppContext& app) {
    auto& w = app.window;
    if (!app.engine.DisconnectLine(calls::dialLine(app))) return;
    if (!w.recCheck2.ticked()) {
        app.engine.ResetRecording(calls::dialLine(app));
        return;
    }
    calls::stopRingBack(app);
    const int line = calls::dialLine(app);
    if (noNumber(w.EditPhoneNo.text())) return;
    // A refused save is said, and the buffer stays for another try.
    if (!app.engine.SaveRecording(line, app.state.monitorRecordingFile)) {
        core::ReportEngineError(app);
        return;
    }
    w.ListStatusLog.addItem("Stopped Recording -" + app.state.monitoredAgent);
    app.engine.ResetRecording(line);
    w.recCheck2.setValue(0);
}

void backupRecordings(core::AppContext& app) { startTool(app, app.window.backupwav, "Darrow", 5000); }

void recordingTool(core::AppContext& app) { startTool(app, app.window.RecClick, "Skelby", 2500); }

}  // namespace velmora::media
