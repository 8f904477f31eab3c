#include "CallHistory.h"

#include "Dialling.h"

#include "core/AgentFiles.h"
#include "core/AppContext.h"
#include "core/DateStamps.h"
#include "core/SafeText.h"
#include "core/settings/TextFile.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <map>
#include <set>
#include <sstream>

namespace velmora::calls {
namespace {

std::string lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

long secondsOfDay(const std::string& clock) {
    int h = 0, m = 0, s = 0;
    if (std::sscanf(clock.c_str(), "%d:%d:%d", &h, &m, &s) != 3) return -1;
    return h * 3600L + m * 60L + s;
}

}  // namespace

int dayNumber(const std::string& date) {
    int m = 0, d = 0, y = 0;
    if (std::sscanf(date.c_str(), "%d/%d/%d", &m, &d, &y) != 3 || m < 1 || m > 12 || d < 1 || d > 31) return -1;
    // Days from civil (proleptic Gregorian), so no time zone enters.
    y -= m <= 2;
    const int era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<int>(doe) - 719468;
}

std::string outcomeLabel(const std::string& outcome) {
    if (outcome.empty()) return "far end hung up";
    return outcome;
}

bool matches(const HistoryEntry& e, const HistoryFilter& f, const std::tm& today) {
    if (!f.outcome.empty() && outcomeLabel(e.outcome) != f.outcome) return false;
    const int now = dayNumber(core::shortDate(today));
    switch (f.day) {
    case HistoryDay::All: break;
    case HistoryDay::Today:
        if (e.day != now) return false;
        break;
    case HistoryDay::Yesterday:
        if (e.day != now - 1) return false;
        break;
    case HistoryDay::LastWeek:
        if (e.day < now - 6 || e.day > now) return false;
        break;
    }
    if (f.search.empty()) return true;
    const std::string wanted = lower(f.search);
    return e.number.find(wanted) != std::string::npos || lower(e.name).find(wanted) != std::string::npos ||
           dialableText(e.number).find(dialableText(wanted).empty() ? "\x01" : dialableText(wanted)) !=
               std::string::npos;
}

std::vector<HistoryEntry> loadHistory(core::AppContext& app, const std::map<std::string, std::string>& names,
                                      std::size_t limit) {
    std::vector<HistoryEntry> out;
    const auto records = core::readCallLog(core::callLogFile(app));
    // Numbers placed per day: a record of one of them on that day was placed.
    std::set<std::pair<std::string, std::string>> placed;
    if (const auto text = core::readWholeFile(app.root.find("logs/callsout.txt"))) {
        std::istringstream lines(*text);
        std::string line;
        while (std::getline(lines, line)) {
            std::istringstream fields(line);
            std::string number, date;
            if (fields >> number >> date) placed.insert({number, date});
        }
    }
    const auto recordings = core::listRecordings(app.root.find("messages"));
    for (const auto& r : records) {
        if (out.size() >= limit) break;
        if (r.size() < 6) continue;
        HistoryEntry e;
        e.number = core::shownText(r[0], 32);
        e.seconds = std::strtol(r[2].c_str(), nullptr, 10);
        e.time = r[3];
        e.date = r[4];
        e.outcome = core::shownText(r[5], 40);
        e.day = dayNumber(e.date);
        e.outgoing = placed.count({r[0], r[4]}) > 0;
        if (auto n = names.find(r[0]); n != names.end()) e.name = core::shownText(n->second, 40);
        const long end = secondsOfDay(e.time);
        for (const auto& rec : recordings) {
            if (rec.name != r[0] || rec.date != e.date) continue;
            const long at = secondsOfDay(rec.time);
            if (end >= 0 && at >= end - e.seconds - 120 && at <= end + 120) {
                e.recording = rec.file;
                break;
            }
        }
        out.push_back(std::move(e));
    }
    return out;
}

bool redialEntry(core::AppContext& app, const HistoryEntry& entry) {
    const std::string number = dialableText(entry.number);
    if (number.empty() || app.state.calls.onLine(dialLine(app))) return false;
    app.window.EditPhoneNo.setText(number);
    app.window.BtnDial.click();
    return true;
}

}  // namespace velmora::calls
