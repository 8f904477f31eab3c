#include "LinphoneEngine.h"

#include <system_error>

// Recording belongs to the call (CallRecording): the line operations address
// the line's call, or, while the line has none, the last call that ended on
// it, so the program's save right after a hang-up still reaches that call's
// audio. A call's store goes when a later call starts on its line or the
// engine stops; audio in it that was neither saved nor reset is then kept
// as that call's unsaved recording (recordings/unsaved/).

namespace velmora::engine {

std::filesystem::path LinphoneEngine::recordingFolder() const {
    const auto folder = options_.stateFolder / "recordings";
    std::error_code ignored;
    std::filesystem::create_directories(folder, ignored);
    std::filesystem::permissions(folder, std::filesystem::perms::owner_all, ignored);
    return folder;
}

bool LinphoneEngine::StartLineRecording(int line, int, bool) {
    if (!checkLine(line)) return false;
    EngineCall* call = liveCall(line);
    if (!call || !call->recording) return fail(kNoVoiceSession);
    call->recording->start(call->handle.get());
    return ok();
}

bool LinphoneEngine::PauseLineRecording(int line) {
    if (!checkLine(line)) return false;
    if (EngineCall* call = lines_[line].call.get(); call && call->recording)
        call->recording->endStretch(call->handle.get(), true);
    return ok();
}

bool LinphoneEngine::IsLineRecording(int line) {
    if (!checkLine(line)) return false;
    const EngineCall* call = lines_[line].call.get();
    return call && call->recording && call->recording->recording();
}

void LinphoneEngine::ResetRecording(int line) {
    if (!checkLine(line)) return;
    EngineCall* call = lines_[line].recorded();
    if (call && call->recording) {
        CallRecording& recording = *call->recording;
        const bool running = recording.recording();
        recording.endStretch(call->handle.get(), false);
        recording.reset();
        if (running) recording.start(call->handle.get());  // recording goes on, from now
    }
    ok();
}

bool LinphoneEngine::SaveRecording(int line, const std::string& path) {
    if (!checkLine(line)) return false;
    EngineCall* call = lines_[line].recorded();
    if (!call || !call->recording) return fail(kNoVoiceSession);
    CallRecording& recording = *call->recording;
    if (recording.recording()) {
        // Everything up to now; the recording goes on in a new stretch.
        recording.endStretch(call->handle.get(), true);
        recording.start(call->handle.get());
    }
    if (!recording.hasAudio()) return fail(kNoVoiceSession);
    // A copy: the store keeps its audio until ResetRecording.
    if (!recording.save(path)) return fail(kWaveWriteFailed);
    return ok();
}

}  // namespace velmora::engine
