#pragma once

#include <ctime>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace velmora::core {
struct AppContext;
}

namespace velmora::calls {

// One call of the agent's call log as the history list shows it.
struct HistoryEntry {
    std::string number, name, date, time, outcome;  // date M/D/YYYY, time hh:mm:ss (the call's end)
    long seconds = 0;
    bool outgoing = true;
    std::filesystem::path recording;  // the saved recording of the call, if any
    int day = 0;                      // days since 1970 of `date`, for the day filter
};

// The history, newest first: the call log, the placed-calls log for the
// direction, `names` (caller names by number, the log has none) and the
// recordings folder for a call's recording. At most `limit` entries, so a
// long log never fills the window.
std::vector<HistoryEntry> loadHistory(core::AppContext& app, const std::map<std::string, std::string>& names,
                                      std::size_t limit = 5000);

enum class HistoryDay { All, Today, Yesterday, LastWeek };
struct HistoryFilter {
    std::string search;  // part of the number or the name, any case
    HistoryDay day = HistoryDay::All;
    std::string outcome;  // an outcome label; empty for all
};
// The label an outcome is shown and filtered by ("" reads "far end hung up").
std::string outcomeLabel(const std::string& outcome);
bool matches(const HistoryEntry& entry, const HistoryFilter& filter, const std::tm& today);
// Days since 1970 of a M/D/YYYY date; -1 when it is not one.
int dayNumber(const std::string& shortDate);

// Dials the entry's number again, through Dial, on the dial line; false when
// the number holds nothing to dial or a call is up on that line.
bool redialEntry(core::AppContext& app, const HistoryEntry& entry);

}  // namespace velmora::calls
