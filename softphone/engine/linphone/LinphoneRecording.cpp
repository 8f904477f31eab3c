#include "LinphoneEngine.h"

#include "WaveFile.h"

#include <linphone/api/c-call.h>
#include <linphone/call_params.h>

#include <system_error>

// Recording per line. liblinphone records a call's two directions mixed
// into a file, one stretch at a time (a stretch restarts the file); each
// stretch that ends (pause, save, hang-up) is taken into the line's buffer,
// so paused stretches are left out and the audio outlives the call.
// SaveRecording writes the buffer as PCM 16-bit mono; ResetRecording empties it.

namespace velmora::engine {
namespace {

constexpr int kRecordRate = 8000;

}  // namespace

std::filesystem::path LinphoneEngine::recordFileOf(int line) const {
    return options_.stateFolder / ("record-line" + std::to_string(line) + ".wav");
}

LinphoneEngine::Recording& LinphoneEngine::recordingOf(int line) {
    if (recordings_.size() < lines_.size()) recordings_.resize(lines_.size());
    return recordings_[line];
}

// Ends the running stretch and adds what it holds to the buffer (or drops it).
void LinphoneEngine::endStretch(int line, bool keep) {
    Recording& recording = recordingOf(line);
    if (!recording.recording) return;
    recording.recording = false;
    if (LinphoneCall* call = lines_[line].call) linphone_call_stop_recording(call);
    const auto file = recordFileOf(line);
    if (keep) {
        LoadedWave stretch = loadWave(file);
        if (stretch.problem == WaveProblem::None) {
            const auto samples = resampled(stretch.audio.samples, stretch.audio.sampleRate, kRecordRate);
            recording.audio.samples.insert(recording.audio.samples.end(), samples.begin(), samples.end());
        }
    }
    std::error_code ignored;
    std::filesystem::remove(file, ignored);
}

bool LinphoneEngine::StartLineRecording(int line, int, bool) {
    if (!checkLine(line)) return false;
    Line& l = lines_[line];
    if (!l.call || !l.connected) return fail(kNoVoiceSession);
    Recording& recording = recordingOf(line);
    if (recording.recording) return ok();
    std::error_code ignored;
    std::filesystem::remove(recordFileOf(line), ignored);
    linphone_call_start_recording(l.call);
    recording.recording = true;
    return ok();
}

bool LinphoneEngine::PauseLineRecording(int line) {
    if (!checkLine(line)) return false;
    endStretch(line, true);
    return ok();
}

bool LinphoneEngine::IsLineRecording(int line) {
    if (!checkLine(line)) return false;
    return recordingOf(line).recording;
}

void LinphoneEngine::ResetRecording(int line) {
    if (!checkLine(line)) return;
    Recording& recording = recordingOf(line);
    const bool running = recording.recording;
    endStretch(line, false);
    recording.audio.samples.clear();
    if (running) StartLineRecording(line, 2, true);  // recording goes on, from now
    ok();
}

bool LinphoneEngine::SaveRecording(int line, const std::string& path) {
    if (!checkLine(line)) return false;
    Recording& recording = recordingOf(line);
    if (recording.recording) {
        // Everything up to now; the recording goes on in a new stretch.
        endStretch(line, true);
        StartLineRecording(line, 2, true);
    }
    if (recording.audio.samples.empty()) return fail(kNoVoiceSession);
    if (path.empty() || !writeWave(path, recording.audio)) return fail(kWaveWriteFailed);
    return ok();
}

// A call that ends takes its running stretch with it into the buffer.
void LinphoneEngine::releaseRecording(int line) {
    if (line >= 0 && line < static_cast<int>(recordings_.size())) endStretch(line, true);
}

// Every call of a line records into the line's stretch file.
void LinphoneEngine::setRecordFile(LinphoneCallParams* params, int line) const {
    linphone_call_params_set_record_file(params, recordFileOf(line).c_str());
}

}  // namespace velmora::engine
