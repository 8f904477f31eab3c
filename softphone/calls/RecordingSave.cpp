#include "RecordingSave.h"

#include "Dialling.h"

#include "core/AppContext.h"
#include "core/DateStamps.h"
#include "core/ErrorReporter.h"
#include "core/TextRules.h"

namespace velmora::calls {
namespace {

std::string safeFileNamePart(std::string name) {
    for (char& c : name)
        if (c == '/' || c == '\\' || c == '\0') c = '_';
    for (std::size_t at; (at = name.find("..")) != std::string::npos;) name.replace(at, 2, "_");
    return name;
}

std::filesystem::path inMessages(core::AppContext& app, const std::string& name, const std::string& date,
                                 const std::string& time) {
    return app.root.find("messages") / (safeFileNamePart(name) + "_" + date + "_" + time + ".wav");
}

}  // namespace

std::filesystem::path recordingFileName(core::AppContext& app, const std::string& name) {
    const std::tm now = app.platform.localTime();
    return inMessages(app, name, core::dayStamp(now), core::timeStamp(now));
}

void nameOwnRecording(core::AppContext& app) {
    const std::tm now = app.platform.localTime();
    app.state.recordingTime = core::timeStamp(now);
    app.state.recordingDate = core::dayStamp(now);
    const auto file = inMessages(app, core::trimSpaces(app.window.EditPhoneNo.text()), app.state.recordingDate,
                                 app.state.recordingTime);
    app.window.EditSaveFileName.setText(file.string());
}

void saveRecordingStep(core::AppContext& app) {
    auto& w = app.window;
    // Clearing the first box clears the second through its click handling,
    // which pauses the engine's recording and says so.
    w.RecThisCallCheck.setValue(0);
    w.CheckStartRecording.setValue(0);
    if (w.EditSaveFileName.text().empty() || w.EditPhoneNo.text().empty() || app.state.consultTransferFlag) return;
    nameOwnRecording(app);
    const int line = dialLine(app);
    if (!app.engine.SaveRecording(line, w.EditSaveFileName.text())) {
        core::ReportEngineError(app);
        return;
    }
    w.ListStatusLog.addItem("Stopped Recording -" + w.EditPhoneNo.text());
    app.engine.ResetRecording(line);
}

}  // namespace velmora::calls
