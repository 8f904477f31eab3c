#pragma once

#include "LinphoneHandle.h"

#include <atomic>
#include <cstdint>
#include <filesystem>

namespace velmora::engine {

// The wave file set for playing into a line's calls, and its players while
// it plays: the call's player sends it to the far end, and with "listen" a
// local player plays it to the agent's speaker in step. Positions are
// seconds; times are the event loop's ticks (ms). The file stays set for
// the line from call to call.
class LinePlayback {
public:
    LinePlayback() = default;
    LinePlayback(const LinePlayback&) = delete;
    LinePlayback& operator=(const LinePlayback&) = delete;
    ~LinePlayback() { close(); }

    bool hasFile() const { return !file_.empty(); }
    // A converted file of this many seconds, played from its start next.
    void setFile(const std::filesystem::path& file, double seconds);
    void clearFile();

    bool playing() const { return player_ && playing_; }
    // Starts (or goes on) on the call's player; false when it cannot open.
    bool start(LinphoneCall* call, LinphoneCore* core, bool listen, std::uint32_t now);
    void pause(std::uint32_t now);
    // Closes the players; the next start plays from the beginning.
    void stop();
    double position(std::uint32_t now);
    void seek(double seconds, std::uint32_t now);
    // The file played to its end: the players are closed (true once).
    bool takeEnd();
    // The call is gone and its player with it; the file stays set.
    void callGone() { stop(); }

private:
    double playedTo(std::uint32_t now) const;
    void seekPlayers(double seconds);
    void close();

    std::filesystem::path file_;  // converted for the call's player; empty: none set
    double seconds_ = 0;
    double position_ = 0;  // where the next start plays from
    PlayerHandle player_;  // the call's
    PlayerHandle local_;   // the agent's speaker (listen)
    PlayerCbsHandle callbacks_;
    bool playing_ = false;
    std::uint32_t startedAt_ = 0;  // tick of the last start or seek while playing
    double startedFrom_ = 0;       // position then
    std::atomic<bool> ended_{false};
};

}  // namespace velmora::engine
