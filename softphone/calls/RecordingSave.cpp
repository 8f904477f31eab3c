#include "RecordingSave.h"

#include "core/AppContext.h"
#include "core/DateStamps.h"
#include "core/Diagnostics.h"
#include "core/ErrorReporter.h"
#include "core/TextRules.h"

#include <algorithm>
#include <system_error>
#include <vector>

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

// Oldest first by name stamp is not enough (DDMMYY): by modification time.
void keepNewest(const std::filesystem::path& folder, std::size_t limit) {
    std::error_code ec;
    std::vector<std::pair<std::filesystem::file_time_type, std::filesystem::path>> files;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec))
        if (entry.is_regular_file(ec)) files.emplace_back(entry.last_write_time(ec), entry.path());
    if (files.size() <= limit) return;
    std::sort(files.begin(), files.end());
    for (std::size_t i = 0; i + limit < files.size(); ++i) {
        std::filesystem::remove(files[i].second, ec);
        core::diagnostic("unsaved recording " + files[i].second.filename().string() + " removed: more than " +
                         std::to_string(limit) + " are kept");
    }
}

}  // namespace

std::filesystem::path recordingFileName(core::AppContext& app, const std::string& name) {
    const std::tm now = app.platform.localTime();
    return inMessages(app, name, core::dayStamp(now), core::timeStamp(now));
}

std::filesystem::path unsavedRecordingsFolder(const core::AppContext& app) {
    return app.root.dir() / "engine" / "recordings" / "unsaved";
}

void nameOwnRecording(core::AppContext& app, const std::string& number) {
    const std::tm now = app.platform.localTime();
    app.state.recordingTime = core::timeStamp(now);
    app.state.recordingDate = core::dayStamp(now);
    const auto file = inMessages(app, core::trimSpaces(number), app.state.recordingDate, app.state.recordingTime);
    app.window.EditSaveFileName.setText(file.string());
}

void clearRecordingBoxes(core::AppContext& app, std::uint64_t serial) {
    auto& calls = app.state.calls;
    const std::uint64_t before = calls.ending() ? calls.ending()->serial : 0;
    calls.setEnding(serial);
    app.window.RecThisCallCheck.setValue(0);
    app.window.CheckStartRecording.setValue(0);
    calls.setEnding(before);
}

void saveRecordingStep(core::AppContext& app, core::Call& call) {
    auto& w = app.window;
    clearRecordingBoxes(app, call.serial);
    // The box may show another line's call: this call's recording stops too,
    // so what is saved and then reset is all it recorded.
    if (call.recorded) app.engine.PauseLineRecording(call.line);
    if (w.EditSaveFileName.text().empty() || call.number.empty() || app.state.consultTransferFlag) return;
    nameOwnRecording(app, call.number);
    const std::string file = w.EditSaveFileName.text();
    if (!app.engine.SaveRecording(call.line, file)) {
        core::ReportEngineError(app);
        return;
    }
    w.ListStatusLog.addItem("Stopped Recording -" + call.number);
    app.engine.ResetRecording(call.line);
    call.recorded = false;
    call.savedRecording = file;
}

void keepUnsavedRecording(core::AppContext& app, core::Call& call) {
    const auto folder = unsavedRecordingsFolder(app);
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    std::filesystem::permissions(folder, std::filesystem::perms::owner_all, ec);
    const std::tm now = app.platform.localTime();
    const std::string stem =
        safeFileNamePart(core::trimSpaces(call.number)) + "_" + core::dayStamp(now) + "_" + core::timeStamp(now);
    auto file = folder / (stem + ".wav");
    for (int n = 2; std::filesystem::exists(file, ec); ++n) file = folder / (stem + "-" + std::to_string(n) + ".wav");
    app.engine.PauseLineRecording(call.line);
    if (!app.engine.SaveRecording(call.line, file.string())) return;  // nothing was recorded after all
    app.engine.ResetRecording(call.line);
    call.recorded = false;
    app.window.ListStatusLog.addItem("Recording kept unsaved -" + call.number);
    keepNewest(folder, kMaxUnsavedRecordings);
}

}  // namespace velmora::calls
