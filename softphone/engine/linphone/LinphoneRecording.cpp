#include "LinphoneEngine.h"

#include "WaveFile.h"

#include <linphone/api/c-call.h>
#include <linphone/call_params.h>

#include <system_error>

// Recording per line, on disk. liblinphone records a call's two directions
// mixed into a stretch file, one stretch at a time (a stretch restarts the
// file); each stretch that ends (pause, save, hang-up) is appended to the
// line's store as PCM 16-bit mono at 8 kHz, so paused stretches are left out,
// the audio outlives the call, memory does not grow with its length, and a
// crash of the program loses nothing: a stretch or store left behind is taken
// up again when the line's recording is next used. SaveRecording copies the
// store into a wave file; ResetRecording empties it. Both files live in a
// folder of the state folder that only the user can enter.

namespace velmora::engine {
namespace {

constexpr int kRecordRate = 8000;
constexpr auto kOwnerOnly = std::filesystem::perms::owner_read | std::filesystem::perms::owner_write;

}  // namespace

std::filesystem::path LinphoneEngine::recordingFolder() const {
    const auto folder = options_.stateFolder / "recordings";
    std::error_code ignored;
    std::filesystem::create_directories(folder, ignored);
    std::filesystem::permissions(folder, std::filesystem::perms::owner_all, ignored);
    return folder;
}

std::filesystem::path LinphoneEngine::recordFileOf(int line) const {
    return recordingFolder() / ("stretch-line" + std::to_string(line) + ".wav");
}

std::filesystem::path LinphoneEngine::storeFileOf(int line) const {
    return recordingFolder() / ("store-line" + std::to_string(line) + ".pcm");
}

LinphoneEngine::Recording& LinphoneEngine::recordingOf(int line) {
    while (recordings_.size() < lines_.size()) {
        // What an earlier run of the program recorded and did not reset.
        const int index = static_cast<int>(recordings_.size());
        recordings_.emplace_back();
        std::error_code ignored;
        if (std::filesystem::exists(recordFileOf(index), ignored)) {
            appendWaveAsPcm(recordFileOf(index), storeFileOf(index), kRecordRate);
            std::filesystem::remove(recordFileOf(index), ignored);
        }
        const auto bytes = std::filesystem::file_size(storeFileOf(index), ignored);
        recordings_.back().bytes = ignored ? 0 : bytes;
    }
    return recordings_[line];
}

// Ends the running stretch and appends what it holds to the store (or drops it).
void LinphoneEngine::endStretch(int line, bool keep) {
    Recording& recording = recordingOf(line);
    if (!recording.recording) return;
    recording.recording = false;
    if (LinphoneCall* call = lines_[line].call) linphone_call_stop_recording(call);
    const auto file = recordFileOf(line);
    if (keep)
        if (const auto added = appendWaveAsPcm(file, storeFileOf(line), kRecordRate)) recording.bytes += *added;
    std::error_code ignored;
    std::filesystem::remove(file, ignored);
}

bool LinphoneEngine::StartLineRecording(int line, int, bool) {
    if (!checkLine(line)) return false;
    Line& l = lines_[line];
    if (!l.call || !l.connected) return fail(kNoVoiceSession);
    Recording& recording = recordingOf(line);
    if (recording.recording) return ok();
    const auto file = recordFileOf(line);
    std::error_code ignored;
    std::filesystem::remove(file, ignored);
    linphone_call_start_recording(l.call);
    std::filesystem::permissions(file, kOwnerOnly, ignored);
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
    std::error_code ignored;
    std::filesystem::remove(storeFileOf(line), ignored);
    recording.bytes = 0;
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
    if (recording.bytes == 0) return fail(kNoVoiceSession);
    // A copy: the store keeps its audio until ResetRecording.
    if (path.empty() || !writeWaveFromPcm(path, storeFileOf(line), kRecordRate)) return fail(kWaveWriteFailed);
    return ok();
}

// A call that ends takes its running stretch with it into the store.
void LinphoneEngine::releaseRecording(int line) {
    if (line >= 0 && line < static_cast<int>(recordings_.size())) endStretch(line, true);
}

// Every call of a line records into the line's stretch file.
void LinphoneEngine::setRecordFile(LinphoneCallParams* params, int line) const {
    linphone_call_params_set_record_file(params, recordFileOf(line).c_str());
}

}  // namespace velmora::engine
