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
void writeCallRecord(core::AppContext& app, const std::string& number, const std::string& outcome) {
    const std::tm now = app.platform.localTime();
    writeOUTEntry(agentCallLog(app), {number, app.window.EditAccountDisplayName.text(), app.window.callsec.text(),
                                      core::clockTime(now), core::shortDate(now), outcome});
}

std::filesystem::path agentCallLog(const core::AppContext& app) { return core::callLogFile(app); }

void callEndRecording(core::AppContext& app) {
    auto& w = app.window;
    app.state.recordAllSetting = app.settings().get(core::keys::recordAll);
    const bool recordAll = app.state.recordAllSetting == "True";
    if (recordAll) saveRecordingStep(app);
    if (recordAll) w.RecThisCallCheck.setValue(0);
    // Saved once: with recordAll on, the box was cleared by the first save.
    if (w.RecThisCallCheck.ticked()) saveRecordingStep(app);
    loop::msDelay(app.loop, 500);
}

void hangUp(core::AppContext& app) {
    auto& w = app.window;
    w.vmclick.setEnabled(true);
    core::applyInBandSetting(app);
    w.CallTimer.setEnabled(false);
    w.ListStatusLog.clear();
    w.statusLb.setCaption("");
    // Nothing dialled and no call on the line: nothing to end and nothing to log.
    if (w.EditPhoneNo.text().empty() && !app.engine.IsLineBusy(dialLine(app))) return;
    if (!app.engine.DisconnectLine(dialLine(app))) {
        core::ReportEngineError(app);
        return;
    }
    stopRingBack(app);
    if (!w.EditPhoneNo.text().empty() && w.CheckStartRecording.ticked()) callEndRecording(app);
    const std::string number = w.EditPhoneNo.text();
    w.EditPhoneNo.setText("");
    if (w.ComboDial.count() > 0) w.ComboDial.setListIndex(0);
    w.RecThisCallCheck.setValue(0);
    w.CheckStartRecording.setValue(0);
    w.logCleanTimer.setEnabled(true);
    w.ListIncomingCall.clear();
    w.CIDTxt.setText("");
    if (!w.EditAccountDisplayName.text().empty()) {
        writeCallRecord(app, number, "hang up");
        w.callsec.setText("0");
        app.state.lastDialledNumber.clear();
    }
}

void farEndHangUp(core::AppContext& app, int line) {
    auto& w = app.window;
    stopRingBack(app);
    core::ShowStatus(app, core::lineStatus(line, "Hung up."));
    const std::string number = w.EditPhoneNo.text();
    w.CIDTxt.setText("");
    w.CallTimer.setEnabled(false);
    w.ListStatusLog.clear();
    w.statusLb.setCaption("");
    w.logCleanTimer.setEnabled(true);
    if (w.CheckStartRecording.ticked()) callEndRecording(app);
    writeCallRecord(app, number, "");
    w.callsec.setText("0");
    app.state.lastDialledNumber = w.EditPhoneNo.text();
    w.EditPhoneNo.setText("");
}

}  // namespace velmora::calls
