#include "Report.h"

#include "core/CsvText.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <map>

namespace velmora::records {
namespace {

long long toNumber(const Database::Value& value) {
    long long n = 0;
    if (value) std::from_chars(value->data(), value->data() + value->size(), n);
    return n;
}

std::string text(const Database::Value& value) { return value.value_or(""); }

// For a terminal: control characters (escape sequences among them) become '?'.
std::string printable(const std::string& s) {
    std::string out;
    for (const char c : s) out += static_cast<unsigned char>(c) < 0x20 || c == 0x7F ? '?' : c;
    return out;
}

// Columns count characters, not bytes.
std::size_t width(const std::string& s) {
    return static_cast<std::size_t>(std::count_if(s.begin(), s.end(), [](char c) { return (c & 0xC0) != 0x80; }));
}

std::string duration(long long seconds) {
    char out[32];
    std::snprintf(out, sizeof out, "%lld:%02lld:%02lld", seconds / 3600, seconds / 60 % 60, seconds % 60);
    return out;
}

std::string csvCell(std::string s) {
    // The same rule as the call logs': nothing a spreadsheet would run.
    s = core::asCellText(s);
    if (s.find_first_of(",\"\r\n") == std::string::npos) return s;
    std::string quoted = "\"";
    for (const char c : s) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + "\"";
}

std::string table(const std::vector<std::vector<std::string>>& rows, const std::vector<bool>& rightAligned) {
    std::vector<std::size_t> widths(rows.front().size(), 0);
    for (const auto& row : rows)
        for (std::size_t c = 0; c < row.size(); ++c) widths[c] = std::max(widths[c], width(row[c]));
    std::string out;
    for (const auto& row : rows) {
        std::string line;
        for (std::size_t c = 0; c < row.size(); ++c) {
            const std::string pad(widths[c] - width(row[c]), ' ');
            if (c) line += "  ";
            line += rightAligned[c] ? pad + row[c] : row[c] + (c + 1 < row.size() ? pad : "");
        }
        out += line + "\n";
    }
    return out;
}

}  // namespace

std::optional<std::string> parseDay(const std::string& text) {
    int year = 0, month = 0, day = 0;
    if (text.size() != 10 || text[4] != '-' || text[7] != '-') return std::nullopt;
    for (const std::size_t i : {0, 1, 2, 3, 5, 6, 8, 9})
        if (text[i] < '0' || text[i] > '9') return std::nullopt;
    year = std::stoi(text.substr(0, 4));
    month = std::stoi(text.substr(5, 2));
    day = std::stoi(text.substr(8, 2));
    static const int lengths[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    if (year < 1970 || month < 1 || month > 12 || day < 1 || day > lengths[month - 1] + (month == 2 && leap))
        return std::nullopt;
    return text;
}

bool runReport(Database& db, const ReportRange& range, std::vector<AgentReport>& agents, std::string& error) {
    const std::vector<Database::Value> days{range.from, range.to};
    // Each query reads the day range through call_records_day_agent.
    const auto totals = db.exec(
        "SELECT agent_login, max(agent_name), count(*), coalesce(sum(seconds), 0) FROM call_records "
        "WHERE local_day BETWEEN $1::date AND $2::date GROUP BY agent_login ORDER BY agent_login",
        days);
    const auto outcomes = db.exec(
        "SELECT agent_login, outcome, count(*) FROM call_records WHERE local_day BETWEEN $1::date AND $2::date "
        "GROUP BY agent_login, outcome ORDER BY agent_login, outcome",
        days);
    const auto longest = db.exec(
        "SELECT agent_login, rank, call_id, to_char(started_at AT TIME ZONE 'UTC' + utc_offset_seconds * "
        "interval '1 second', 'YYYY-MM-DD HH24:MI:SS'), direction, number, seconds FROM ("
        "SELECT *, row_number() OVER (PARTITION BY agent_login ORDER BY seconds DESC, started_at, call_id) AS rank "
        "FROM call_records WHERE local_day BETWEEN $1::date AND $2::date) ranked "
        "WHERE rank <= $3::integer ORDER BY agent_login, rank",
        {range.from, range.to, std::to_string(std::max(range.top, 0))});
    for (const auto* result : {&totals, &outcomes, &longest}) {
        if (!result->ok()) {
            error = result->error;
            return false;
        }
    }
    std::map<std::string, std::size_t> index;
    agents.clear();
    for (const auto& row : totals.rows) {
        if (row.size() != 4) continue;
        index[text(row[0])] = agents.size();
        agents.push_back({text(row[0]), text(row[1]), toNumber(row[2]), toNumber(row[3]), {}, {}});
    }
    for (const auto& row : outcomes.rows) {
        if (row.size() != 3 || !index.count(text(row[0]))) continue;
        agents[index[text(row[0])]].outcomes.emplace_back(text(row[1]), toNumber(row[2]));
    }
    for (const auto& row : longest.rows) {
        if (row.size() != 7 || !index.count(text(row[0]))) continue;
        agents[index[text(row[0])]].longest.push_back({static_cast<int>(toNumber(row[1])), text(row[2]), text(row[3]),
                                                       text(row[4]), text(row[5]), toNumber(row[6])});
    }
    return true;
}

std::string formatTable(const std::vector<AgentReport>& agents, const ReportRange& range) {
    std::string out = "Call records " + range.from + (range.to != range.from ? " to " + range.to : "") + "\n\n";
    if (agents.empty()) return out + "No calls.\n";
    std::vector<std::vector<std::string>> summary{{"Agent", "Name", "Calls", "Talk time", "Outcomes"}};
    for (const auto& agent : agents) {
        std::string outcomes;
        for (const auto& [name, count] : agent.outcomes)
            outcomes += (outcomes.empty() ? "" : ", ") + (name.empty() ? std::string("(none)") : printable(name)) +
                        " " + std::to_string(count);
        summary.push_back({printable(agent.login), printable(agent.name), std::to_string(agent.calls),
                           duration(agent.talkSeconds), outcomes});
    }
    out += table(summary, {false, false, true, true, false});
    std::vector<std::vector<std::string>> calls{{"Agent", "#", "Seconds", "Started (local)", "Dir", "Number", "Call"}};
    for (const auto& agent : agents)
        for (const auto& call : agent.longest)
            calls.push_back({printable(agent.login), std::to_string(call.rank), std::to_string(call.seconds),
                             call.startedLocal, printable(call.direction), printable(call.number),
                             printable(call.callId)});
    if (calls.size() > 1) out += "\nLongest calls\n" + table(calls, {false, true, true, false, false, false, false});
    return out;
}

std::string formatCsv(const std::vector<AgentReport>& agents) {
    std::string out =
        "record,agent_login,agent_name,calls,talk_seconds,outcome,count,rank,seconds,started_local,direction,number,"
        "call_id\n";
    auto line = [&out](std::vector<std::string> cells) {
        for (std::size_t i = 0; i < cells.size(); ++i) out += (i ? "," : "") + csvCell(cells[i]);
        out += "\n";
    };
    for (const auto& a : agents) {
        line({"agent", a.login, a.name, std::to_string(a.calls), std::to_string(a.talkSeconds), "", "", "", "", "", "",
              "", ""});
        for (const auto& [name, count] : a.outcomes)
            line({"outcome", a.login, a.name, "", "", name, std::to_string(count), "", "", "", "", "", ""});
        for (const auto& c : a.longest)
            line({"longest", a.login, a.name, "", "", "", "", std::to_string(c.rank), std::to_string(c.seconds),
                  c.startedLocal, c.direction, c.number, c.callId});
    }
    return out;
}

}  // namespace velmora::records
