#include "LinphoneEngine.h"

#include "WaveFile.h"

#include <linphone/api/c-call.h>
#include <linphone/factory.h>
#include <linphone/player.h>

#include <algorithm>
#include <cmath>

// Playing a wave file into a line's call. SetPlayFile converts the file to
// what the call's player takes (PCM 16-bit mono at the telephone rate); the
// call's player sends it to the far end, and with "listen" a local player
// plays the same file to the agent's speaker in step. Positions are seconds.

namespace velmora::engine {
namespace {

constexpr int kPlayRate = 8000;  // every codec the engine offers runs at 8 kHz

void eofReached(LinphonePlayer* player) {
    LinphonePlayerCbs* cbs = linphone_player_get_current_callbacks(player);
    // Only flags it: the engine looks at the flag after liblinphone's turn.
    if (auto* ended = static_cast<std::atomic<bool>*>(linphone_player_cbs_get_user_data(cbs))) *ended = true;
}

}  // namespace

LinphoneEngine::Playback& LinphoneEngine::playbackOf(int line) {
    if (playbacks_.size() < lines_.size()) playbacks_.resize(lines_.size());
    if (!playbacks_[line]) playbacks_[line] = std::make_unique<Playback>();
    return *playbacks_[line];
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
    Playback& playback = playbackOf(line);
    closePlayers(playback);
    WaveAudio audio;
    audio.sampleRate = kPlayRate;
    audio.samples = resampled(loaded.audio.samples, loaded.audio.sampleRate, kPlayRate);
    const auto converted = options_.stateFolder / ("play-line" + std::to_string(line) + ".wav");
    if (!writeWave(converted, audio)) {
        playback.file.clear();
        return fail(kWaveReadFailed);
    }
    playback.file = converted;
    playback.seconds = audio.seconds();
    playback.position = 0;
    return ok();
}

bool LinphoneEngine::StartPlay(int line, bool listen) {
    if (!checkLine(line)) return false;
    Playback& playback = playbackOf(line);
    if (playback.file.empty()) return fail(kWaveOpenFailed);
    Line& l = lines_[line];
    if (!l.call || !l.connected) return fail(kNoVoiceSession);
    if (playback.player && playback.playing) return ok();
    if (!playback.player) {
        LinphonePlayer* player = linphone_call_get_player(l.call);
        if (!player || linphone_player_open(player, playback.file.c_str()) != 0) return fail(kNoVoiceSession);
        playback.player = linphone_player_ref(player);
        playback.ended = false;
        playback.callbacks = linphone_factory_create_player_cbs(linphone_factory_get());
        linphone_player_cbs_set_eof_reached(playback.callbacks, eofReached);
        linphone_player_cbs_set_user_data(playback.callbacks, &playback.ended);
        linphone_player_add_callbacks(player, playback.callbacks);
        if (listen) {
            // The agent's own speaker; without one (no sound card) the far
            // end still hears the file.
            playback.local = linphone_core_create_local_player(core_, nullptr, nullptr, nullptr);
            if (playback.local && linphone_player_open(playback.local, playback.file.c_str()) != 0) {
                linphone_player_unref(playback.local);
                playback.local = nullptr;
            }
        }
        seekPlayers(playback, playback.position);
    }
    linphone_player_start(playback.player);
    if (playback.local) linphone_player_start(playback.local);
    playback.playing = true;
    playback.startedAt = loop_.tickCount();
    playback.startedFrom = playback.position;
    return ok();
}

bool LinphoneEngine::PausePlay(int line) {
    if (!checkLine(line)) return false;
    Playback& playback = playbackOf(line);
    if (playback.file.empty()) return fail(kWaveOpenFailed);
    if (playback.player && playback.playing) {
        linphone_player_pause(playback.player);
        if (playback.local) linphone_player_pause(playback.local);
        playback.position = playedTo(playback);
    }
    playback.playing = false;
    return ok();
}

bool LinphoneEngine::StopPlay(int line) {
    if (!checkLine(line)) return false;
    Playback& playback = playbackOf(line);
    if (playback.file.empty()) return fail(kWaveOpenFailed);
    closePlayers(playback);
    playback.position = 0;
    return ok();
}

long LinphoneEngine::GetPlayPosition(int line) {
    if (!checkLine(line)) return 0;
    Playback& playback = playbackOf(line);
    if (playback.player && playback.playing) playback.position = playedTo(playback);
    return std::lround(std::floor(playback.position));
}

bool LinphoneEngine::SeekPlayPosition(int line, long position) {
    if (!checkLine(line)) return false;
    Playback& playback = playbackOf(line);
    if (playback.file.empty()) return fail(kWaveOpenFailed);
    // Before the start, or past the end (which is the end).
    const double seconds = std::clamp(double(position), 0.0, playback.seconds);
    playback.position = seconds;
    if (playback.player) seekPlayers(playback, seconds);
    playback.startedAt = loop_.tickCount();
    playback.startedFrom = seconds;
    return ok();
}

bool LinphoneEngine::IsWavePlaying(int line) {
    if (!checkLine(line)) return false;
    const Playback& playback = playbackOf(line);
    return playback.player && playback.playing;
}

// The call's player tells no position: it is where the play started plus
// the time it has run since.
double LinphoneEngine::playedTo(const Playback& playback) const {
    const double run = double(loop_.tickCount() - playback.startedAt) / 1000.0;
    return std::min(playback.startedFrom + run, playback.seconds);
}

void LinphoneEngine::seekPlayers(Playback& playback, double seconds) {
    const int ms = static_cast<int>(seconds * 1000);
    linphone_player_seek(playback.player, ms);
    if (playback.local) linphone_player_seek(playback.local, ms);
}

void LinphoneEngine::closePlayers(Playback& playback) {
    if (playback.player) {
        linphone_player_remove_callbacks(playback.player, playback.callbacks);
        linphone_player_close(playback.player);
        linphone_player_unref(playback.player);
        playback.player = nullptr;
    }
    if (playback.callbacks) {
        linphone_player_cbs_unref(playback.callbacks);
        playback.callbacks = nullptr;
    }
    if (playback.local) {
        linphone_player_close(playback.local);
        linphone_player_unref(playback.local);
        playback.local = nullptr;
    }
    playback.playing = false;
    playback.ended = false;
}

// A file that has played to its end closes and is reported; the next start
// plays it from the beginning.
void LinphoneEngine::checkPlaybackEnds() {
    for (std::size_t line = 0; line < playbacks_.size(); ++line) {
        Playback* playback = playbacks_[line].get();
        if (!playback || !playback->player || !playback->ended) continue;
        closePlayers(*playback);
        playback->position = 0;
        const int index = static_cast<int>(line);
        queue([index](SipEngineEvents& e) { e.OnPlayWaveDone(index); });
    }
}

// The call is gone and its player with it; the file stays set for the line.
void LinphoneEngine::releasePlayback(int line) {
    if (line < 0 || line >= static_cast<int>(playbacks_.size()) || !playbacks_[line]) return;
    closePlayers(*playbacks_[line]);
    playbacks_[line]->position = 0;
}

}  // namespace velmora::engine
