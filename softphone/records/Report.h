#pragma once

#include "Database.h"

#include <optional>
#include <string>
#include <vector>

namespace velmora::records {

// The supervisor's report: per agent and range of the agents' local days,
// the calls, the talk time (the sum of the records' seconds), the count of
// each outcome and the longest calls.
struct ReportRange {
    std::string from, to;  // YYYY-MM-DD, inclusive
    int top = 3;
};
struct LongCall {
    int rank = 0;
    std::string callId, startedLocal, direction, number;
    long long seconds = 0;
};
struct AgentReport {
    std::string login, name;
    long long calls = 0, talkSeconds = 0;
    std::vector<std::pair<std::string, long long>> outcomes;  // by outcome's name
    std::vector<LongCall> longest;
};

// A calendar date "YYYY-MM-DD" (a real one), else nothing.
std::optional<std::string> parseDay(const std::string& text);

// Runs the report's three queries; false with the reason in error.
bool runReport(Database& db, const ReportRange& range, std::vector<AgentReport>& agents, std::string& error);

// An aligned table, or CSV (one header; the record column says what a line
// holds: "agent", "outcome" or "longest"). Texts from the database are
// shown without control characters, and CSV cells are never formulas.
std::string formatTable(const std::vector<AgentReport>& agents, const ReportRange& range);
std::string formatCsv(const std::vector<AgentReport>& agents);

}  // namespace velmora::records
