#include "LinphoneEngine.h"

#include "WaveFile.h"

#include <cmath>

// Playing a wave file into a line's call. SetPlayFile converts the file to
// what the call's player takes (PCM 16-bit mono at the telephone rate); the
// line's LinePlayback plays it into the call and, with "listen", to the agent.

namespace velmora::engine {
namespace {

constexpr int kPlayRate = 8000;  // every codec the engine offers runs at 8 kHz

}  // namespace

LinePlayback& LinphoneEngine::playbackOf(int line) {
    auto& playback = lines_[line].playback;
    if (!playback) playback = std::make_unique<LinePlayback>();
    return *playback;
}

bool LinphoneEngine::SetPlayFile(int line, const std::string& path) {
    if (!checkLine(line)) return false;
    LoadedWave loaded = loadWave(path);
    switch (loaded.problem) {
    case WaveProblem::CannotOpen: return fail(kWaveOpenFailed);
    case WaveProblem::CannotRead: return fail(kWaveReadFailed);
    case WaveProblem::Unsupported: return fail(kUnsupportedWaveFormat);
    case WaveProblem::None: break;
    }
    LinePlayback& playback = playbackOf(line);
    WaveAudio audio;
    audio.sampleRate = kPlayRate;
    audio.samples = resampled(loaded.audio.samples, loaded.audio.sampleRate, kPlayRate);
    const auto converted = options_.stateFolder / ("play-line" + std::to_string(line) + ".wav");
    playback.clearFile();
    if (!writeWave(converted, audio)) return fail(kWaveReadFailed);
    playback.setFile(converted, audio.seconds());
    return ok();
}

bool LinphoneEngine::StartPlay(int line, bool listen) {
    if (!checkLine(line)) return false;
    LinePlayback& playback = playbackOf(line);
    if (!playback.hasFile()) return fail(kWaveOpenFailed);
    EngineCall* call = liveCall(line);
    if (!call) return fail(kNoVoiceSession);
    return playback.start(call->handle.get(), core_, listen, loop_.tickCount()) ? ok() : fail(kNoVoiceSession);
}

bool LinphoneEngine::PausePlay(int line) {
    if (!checkLine(line)) return false;
    LinePlayback& playback = playbackOf(line);
    if (!playback.hasFile()) return fail(kWaveOpenFailed);
    playback.pause(loop_.tickCount());
    return ok();
}

bool LinphoneEngine::StopPlay(int line) {
    if (!checkLine(line)) return false;
    LinePlayback& playback = playbackOf(line);
    if (!playback.hasFile()) return fail(kWaveOpenFailed);
    playback.stop();
    return ok();
}

long LinphoneEngine::GetPlayPosition(int line) {
    if (!checkLine(line)) return 0;
    return std::lround(std::floor(playbackOf(line).position(loop_.tickCount())));
}

bool LinphoneEngine::SeekPlayPosition(int line, long position) {
    if (!checkLine(line)) return false;
    LinePlayback& playback = playbackOf(line);
    if (!playback.hasFile()) return fail(kWaveOpenFailed);
    playback.seek(double(position), loop_.tickCount());
    return ok();
}

bool LinphoneEngine::IsWavePlaying(int line) {
    if (!checkLine(line)) return false;
    return playbackOf(line).playing();
}

// A file that has played to its end closes and is reported; the next start
// plays it from the beginning.
void LinphoneEngine::checkPlaybackEnds() {
    for (std::size_t line = 0; line < lines_.size(); ++line) {
        LinePlayback* playback = lines_[line].playback.get();
        if (!playback || !playback->takeEnd()) continue;
        const int index = static_cast<int>(line);
        queue([index](SipEngineEvents& e) { e.OnPlayWaveDone(index); });
    }
}

}  // namespace velmora::engine
