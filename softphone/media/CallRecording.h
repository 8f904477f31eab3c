#pragma once

namespace velmora::core {
struct AppContext;
}

namespace velmora::media {

// CheckStartRecording changed: starts or pauses the engine's recording of the
// ComboDial line, names the file and says so in the status list.
void startRecordingChanged(core::AppContext& app);
// RecThisCallCheck clicked: mirrored onto CheckStartRecording.
void recordThisCallClicked(core::AppContext& app);
// ComboRecord clicked: CheckStartRecording follows the engine.
void recordLineChosen(core::AppContext& app);
// BtnResetRecordingBuffer: the line's recorded audio is discarded.
void resetRecordingBuffer(core::AppContext& app);
// recCheck2 clicked: the monitored agent's call recorded or paused.
void monitorRecordingClicked(core::AppContext& app);
// ctPush2: ends the monitor connection and saves a running monitor recording.
void monitorHangUp(core::AppContext& app);
// backupwav and RecClick: the recordings' sibling programs.
void backupRecordings(core::AppContext& app);
void recordingTool(core::AppContext& app);

}  // namespace velmora::media
