#include "Timers.h"

#include "AppContext.h"

#include <cstdio>
#include <memory>

namespace velmora::core {

std::string lineStatusWord(engine::SipEngine& engine, int line) {
    if (!engine.IsLineOpen(line)) return "close";
    if (!engine.IsLineBusy(line)) return "free";
    if (engine.IsWavePlaying(line)) return "playing";
    if (engine.IsLineOnHold(line)) return "hold";
    return "busy";
}

void lineStatusTick(AppContext& app) {
    auto& view = app.window.ListViewLineStatus;
    if (view.rows().empty())
        for (int line = 0; line < app.state.lineCount; ++line) view.addRow({std::to_string(line + 1), ""});
    const int rows = static_cast<int>(view.rows().size());
    for (int line = 0; line < rows; ++line) {
        const std::string word = lineStatusWord(app.engine, line);
        const auto& cells = view.rows()[line];
        if (cells.size() < 2 || cells[1] != word) view.setCell(line, 1, word);
    }
}

void levelMeterTick(AppContext& app) {
    app.window.SpkProgress.setValue(static_cast<int>(app.engine.GetSpeakerLevel()));
    app.window.MicProgress.setValue(static_cast<int>(app.engine.GetMicrophoneLevel()));
}

std::string clockText(const std::tm& time) {
    const int hour12 = time.tm_hour % 12 == 0 ? 12 : time.tm_hour % 12;
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d %s", hour12, time.tm_min, time.tm_hour < 12 ? "AM" : "PM");
    return text;
}

void clockTick(AppContext& app) { app.window.TimeText.setText(clockText(app.platform.localTime())); }

void runSettingsCheck(AppContext& app) {
    const auto settings = app.settings();
    app.state.recordAllSetting = settings.get(keys::recordAll);
    if (app.state.recordAllSetting == "False" || app.state.recordAllSetting.empty())
        app.window.CheckStartRecording.setValue(0);
    const bool greetings = settings.get(keys::DID) == "True";
    app.window.GreatPush.setVisible(greetings);
    app.window.ListtogreetingCmd.setVisible(greetings);
}

void scheduleSettingsCheck(AppContext& app) {
    auto id = std::make_shared<EventLoop::TimerId>(0);
    *id = app.loop.startTimer(kSettingsCheckDelayMs, [&app, id] {
        app.loop.stopTimer(*id);
        runSettingsCheck(app);
    });
}

}  // namespace velmora::core
