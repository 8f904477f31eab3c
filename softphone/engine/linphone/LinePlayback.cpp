#include "LinePlayback.h"

#include <linphone/factory.h>

#include <algorithm>

namespace velmora::engine {
namespace {

void eofReached(LinphonePlayer* player) {
    LinphonePlayerCbs* cbs = linphone_player_get_current_callbacks(player);
    // Only flags it: the engine looks at the flag after liblinphone's turn.
    if (auto* ended = static_cast<std::atomic<bool>*>(linphone_player_cbs_get_user_data(cbs))) *ended = true;
}

}  // namespace

void LinePlayback::setFile(const std::filesystem::path& file, double seconds) {
    close();
    file_ = file;
    seconds_ = seconds;
    position_ = 0;
}

void LinePlayback::clearFile() {
    close();
    file_.clear();
}

bool LinePlayback::start(LinphoneCall* call, LinphoneCore* core, bool listen, std::uint32_t now) {
    if (playing()) return true;
    if (!player_) {
        LinphonePlayer* player = linphone_call_get_player(call);
        if (!player || linphone_player_open(player, file_.c_str()) != 0) return false;
        player_ = PlayerHandle(player);
        ended_ = false;
        callbacks_ = PlayerCbsHandle::adopt(linphone_factory_create_player_cbs(linphone_factory_get()));
        linphone_player_cbs_set_eof_reached(callbacks_.get(), eofReached);
        linphone_player_cbs_set_user_data(callbacks_.get(), &ended_);
        linphone_player_add_callbacks(player, callbacks_.get());
        if (listen) {
            // The agent's own speaker; without one (no sound card) the far
            // end still hears the file.
            local_ = PlayerHandle::adopt(linphone_core_create_local_player(core, nullptr, nullptr, nullptr));
            if (local_ && linphone_player_open(local_.get(), file_.c_str()) != 0) local_.reset();
        }
        seekPlayers(position_);
    }
    linphone_player_start(player_.get());
    if (local_) linphone_player_start(local_.get());
    playing_ = true;
    startedAt_ = now;
    startedFrom_ = position_;
    return true;
}

void LinePlayback::pause(std::uint32_t now) {
    if (playing()) {
        linphone_player_pause(player_.get());
        if (local_) linphone_player_pause(local_.get());
        position_ = playedTo(now);
    }
    playing_ = false;
}

void LinePlayback::stop() {
    close();
    position_ = 0;
}

double LinePlayback::position(std::uint32_t now) {
    if (playing()) position_ = playedTo(now);
    return position_;
}

void LinePlayback::seek(double seconds, std::uint32_t now) {
    // Before the start, or past the end (which is the end).
    seconds = std::clamp(seconds, 0.0, seconds_);
    position_ = seconds;
    if (player_) seekPlayers(seconds);
    startedAt_ = now;
    startedFrom_ = seconds;
}

bool LinePlayback::takeEnd() {
    if (!player_ || !ended_) return false;
    stop();
    return true;
}

// The call's player tells no position: it is where the play started plus
// the time it has run since.
double LinePlayback::playedTo(std::uint32_t now) const {
    const double run = double(now - startedAt_) / 1000.0;
    return std::min(startedFrom_ + run, seconds_);
}

void LinePlayback::seekPlayers(double seconds) {
    const int ms = static_cast<int>(seconds * 1000);
    linphone_player_seek(player_.get(), ms);
    if (local_) linphone_player_seek(local_.get(), ms);
}

void LinePlayback::close() {
    if (player_) {
        if (callbacks_) linphone_player_remove_callbacks(player_.get(), callbacks_.get());
        linphone_player_close(player_.get());
        player_.reset();
    }
    callbacks_.reset();
    if (local_) {
        linphone_player_close(local_.get());
        local_.reset();
    }
    playing_ = false;
    ended_ = false;
}

}  // namespace velmora::engine
