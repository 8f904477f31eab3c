#include "MessagePlayback.h"

#include "core/AppContext.h"
#include "core/ErrorReporter.h"

namespace velmora::media {
namespace {

int playLine(const core::AppContext& app) { return app.window.ComboPlayWave.listIndex(); }

void report(core::AppContext& app, bool accepted) {
    if (!accepted) core::ReportEngineError(app);
}

}  // namespace

void setInitialMessageFiles(core::AppContext& app) {
    auto& w = app.window;
    core::TextBox* fields[] = {&w.EditPlayFileName1, &w.EditPlayFileName2, &w.EditPlayFileName3};
    for (int i = 0; i < 3; ++i)
        fields[i]->setText(app.root.find("PreRecordedMessages/msg" + std::to_string(i + 1) + ".wav").string());
}

void loadPlayFile(core::AppContext& app, const core::TextBox& field) {
    report(app, app.engine.SetPlayFile(playLine(app), field.text()));
}

void startPlay(core::AppContext& app) {
    report(app, app.engine.StartPlay(playLine(app), app.window.CheckPlayListen.ticked()));
}

void pausePlay(core::AppContext& app) { report(app, app.engine.PausePlay(playLine(app))); }

void stopPlay(core::AppContext& app) { report(app, app.engine.StopPlay(playLine(app))); }

void seekPlay(core::AppContext& app, long step) {
    const int line = playLine(app);
    const long position = app.engine.GetPlayPosition(line);
    report(app, app.engine.SeekPlayPosition(line, position + step));
}

void playMessage(core::AppContext& app, const core::TextBox& field) {
    loadPlayFile(app, field);
    loop::msDelay(app.loop, 250);
    startPlay(app);
}

}  // namespace velmora::media
