#pragma once

#include <cstdint>
#include <string>

namespace velmora::core {

// One call-log record as the program wrote it to the agent's _calllogs.csv,
// with what the call object knows beyond the six fields. Times are seconds
// since the epoch (UTC); utcOffsetSeconds is the local offset at the call's end.
struct CallRecordRow {
    std::string callId;  // the call's own id, unique per agent and run: "<start epoch>-<serial>"
    std::string agentLogin, agentName, account, machine;
    int line = 0;           // 0-based
    std::string direction;  // "out" or "in"
    std::string number, callerName;
    std::int64_t startUtc = 0, answerUtc = 0, endUtc = 0;  // answerUtc 0: never answered
    int utcOffsetSeconds = 0;
    long seconds = 0;           // as the record says (callsec)
    std::string outcome;        // "hang up", "", "Blind Transfer", "Supervised Transfer", "Answering Machine"
    std::string recordingFile;  // the saved recording's path, empty if none
    std::uint64_t recordingSize = 0;
    std::string recordingSha256;  // lower-case hex, empty if none
};

// Where call records go besides the CSV file (a database, for one). Called on
// the UI thread right after the CSV line is written; must return at once.
class CallRecordSink {
public:
    virtual ~CallRecordSink() = default;
    virtual void recordWritten(const CallRecordRow& row) = 0;
};

}  // namespace velmora::core
