#include "MediaSubsystem.h"

#include "AudioEvents.h"
#include "AudioOptions.h"
#include "CallRecording.h"
#include "RecordingEvents.h"

#include "core/AppContext.h"
#include "core/EngineEventBus.h"

namespace velmora::media {

void install(core::AppContext& app, core::EngineEventBus& events) {
    events.add(std::make_unique<AudioEvents>(app));
    events.add(std::make_unique<RecordingEvents>(app));

    auto& w = app.window;
    w.CheckPlayDialTone.onClick = [&app] { ringBackSwitchClicked(app); };
    w.CheckStartRecording.onClick = [&app] { startRecordingChanged(app); };
    w.RecThisCallCheck.onClick = [&app] { recordThisCallClicked(app); };
    w.ComboRecord.onClick = [&app] { recordLineChosen(app); };
    w.BtnResetRecordingBuffer.onClick = [&app] { resetRecordingBuffer(app); };
    w.recCheck2.onClick = [&app] { monitorRecordingClicked(app); };
    w.ctPush2.onClick = [&app] { monitorHangUp(app); };
    w.backupwav.onClick = [&app] { backupRecordings(app); };
    w.RecClick.onClick = [&app] { recordingTool(app); };
    recordingStartupCleanup(app);
}

}  // namespace velmora::media
