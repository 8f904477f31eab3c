#pragma once

#include <cstdint>
#include <ctime>
#include <list>
#include <functional>
#include <string>
#include <vector>

namespace velmora::core {

enum class CallDirection { Outgoing, Incoming };

// Where a call stands. Ended is final: a call ends once, whatever ends it.
enum class CallState {
    Dialling,      // placed, not yet answered
    Connected,     // talking (or held: held is a fact of the line, not of the record)
    Transferring,  // handed to another number; its record waits for the far end's answer
    Failed,        // the far end refused it; its end step is still to run
    Ended,
};

// One call of the agent's, from the moment it is placed or taken to its end.
// What its record and its recording say comes from here, never from what a
// window field happens to hold when the call ends.
struct Call {
    std::uint64_t serial = 0;
    int line = -1;
    CallDirection direction = CallDirection::Outgoing;
    std::string number;  // placed to, or came from
    std::string callerName;
    std::time_t started = 0, answered = 0, ended = 0;
    std::uint32_t startedTick = 0;
    CallState state = CallState::Dialling;
    // CallTimer counts this call's seconds in callsec.
    bool counted = false;
    // A transfer in progress: the record it writes once the far end has it.
    std::string transferOutcome, transferNumber;
    // Its record was written already (a supervised transfer logs at the join).
    bool logged = false;
    // Recording ran since the last save or reset: the end step saves or keeps it.
    bool recorded = false;
    std::string savedRecording;  // the last file the recording was saved to

    bool live() const { return state != CallState::Ended; }
    // The id its records carry: unique per agent across runs of the program.
    std::string id() const { return std::to_string(started) + "-" + std::to_string(serial); }
};

// The program's calls: at most one live call a line, and a short history of
// ended ones (their serials stay valid for a continuation that waited).
class CallBook {
public:
    Call& place(int line, const std::string& number, CallDirection direction, std::time_t now, std::uint32_t tick);
    // The live call of a line, or nullptr.
    Call* onLine(int line);
    Call* find(std::uint64_t serial);
    std::vector<Call*> live();

    // The call the dial field, the counter and the recording boxes show.
    Call* shown() { return find(shown_); }
    void show(const Call& call) { shown_ = call.serial; }

    // The call whose end step runs now: the recording boxes act on it.
    Call* ending() { return find(ending_); }
    void setEnding(std::uint64_t serial) { ending_ = serial; }

    // Ends the call; false when it had ended already, so its end step runs once.
    bool end(Call& call, std::time_t now);

    // Hang Up of one call, set by the call subsystem; used by the program's
    // end and by the failed-call check, which must end the call they mean.
    std::function<void(std::uint64_t serial)> hangUpCall;
    // The call whose refusal the status list shows now, for the failed-call check.
    std::uint64_t failing = 0;

private:
    static constexpr std::size_t kEndedKept = 64;
    std::list<Call> calls_;  // stable: a call stays where it is while others come and go
    std::uint64_t nextSerial_ = 1;
    std::uint64_t shown_ = 0;
    std::uint64_t ending_ = 0;
};

}  // namespace velmora::core
