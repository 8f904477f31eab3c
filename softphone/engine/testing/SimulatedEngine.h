#pragma once

#include "RecordingEngine.h"
#include "loop/EventLoop.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace velmora::engine {

// A RecordingEngine that also keeps calls as the real engine does: at most one
// call a line, offered calls by id, a recording store per call, and events
// delivered later through the loop (so they may arrive during a handler's
// wait), never from inside an operation. The far end is the test: it answers,
// hangs up, refuses, offers and takes transfers through the methods below.
// Each call carries a tag; its "audio" is that tag, so a saved file shows
// whose audio it holds.
class SimulatedEngine : public RecordingEngine {
public:
    enum class State { Dialling, Connected, Held, Transferring };
    struct SimCall {
        int tag = 0;
        std::string target;  // dialled, or the caller's number
        State state = State::Dialling;
        bool recording = false;
        std::vector<int> store;  // recorded audio: the tags it came from
    };

    explicit SimulatedEngine(loop::EventLoop& loop) : loop_(loop) {}

    // The far end's side.
    std::string offer(const std::string& number);  // the new call's id
    void cancelOffer(const std::string& id);
    void answer(int line);
    void hangUp(int line);
    void refuse(int line, long code, const std::string& reason);
    void takeTransfer(int line, bool accepted);

    const std::optional<SimCall>& lineCall(int line) const { return lines_[line].call; }
    std::vector<std::string> offeredIds() const;
    // Every call the engine carried, by tag: what was dialled or who called.
    const std::map<int, std::string>& callTargets() const { return targets_; }
    // Files SaveRecording wrote, with the tags they hold.
    const std::map<std::string, std::vector<int>>& savedFiles() const { return saved_; }
    // Calls whose recorded audio was left in the engine, neither saved nor
    // reset, when another call took their line or the engine shut down.
    int lostAudio() const { return static_cast<int>(lostTags_.size()); }
    const std::vector<int>& lostAudioOf() const { return lostTags_; }
    static constexpr int kLines = 2;

    void ShutdownEngine() override;

    bool Dial(int line, const std::string& target, long inputDevice, long outputDevice) override;
    bool DisconnectLine(int line) override;
    bool AcceptCall(int line, const std::string& callId, long inputDevice, long outputDevice) override;
    bool RejectCall(const std::string& callId) override;
    bool HoldLine(int line) override;
    bool UnholdLine(int line) override;
    bool IsLineOpen(int line) override;
    bool IsLineBusy(int line) override;
    bool IsLineOnHold(int line) override;
    bool TransferCall(int line, const std::string& target) override;
    bool JoinLines(int lineA, int lineB) override;
    bool StartLineRecording(int line, int mode, bool mixed) override;
    bool PauseLineRecording(int line) override;
    bool IsLineRecording(int line) override;
    void ResetRecording(int line) override;
    bool SaveRecording(int line, const std::string& path) override;
    long GetLastEngineError() override;

private:
    struct Line {
        std::optional<SimCall> call;
        std::optional<SimCall> last;  // the call that ended here, until the next one starts
    };
    bool valid(int line) const { return line >= 0 && line < kLines; }
    bool refuse(long code);
    void start(int line, SimCall call);
    void release(int line);
    SimCall* recordingCall(int line);
    void later(std::function<void(SipEngineEvents&)> event);

    loop::EventLoop& loop_;
    Line lines_[kLines];
    std::map<std::string, SimCall> offered_;
    std::vector<std::string> offerOrder_;
    std::map<int, std::string> targets_;
    std::map<std::string, std::vector<int>> saved_;
    int nextTag_ = 1;
    std::vector<int> lostTags_;
    long error_ = kNoError;
    bool overridden_ = false;
};

}  // namespace velmora::engine
