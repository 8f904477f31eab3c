// velmora-records: per agent, for a day or a range of days, the calls, the
// talk time, the outcomes and the longest calls, from the call-record database.
#include "records/Database.h"
#include "records/Report.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

using namespace velmora;

namespace {

constexpr const char* kUsage =
    "usage: velmora-records (--day YYYY-MM-DD | --from YYYY-MM-DD --to YYYY-MM-DD) [--top N] [--csv] [--db URI]\n"
    "  Per agent: calls, talk time, outcomes and the N longest calls (default 3) of the agents' local days.\n"
    "  --db URI   the database (else VELMORA_RECORDS_DB); the password comes from the password file\n"
    "             (PGPASSFILE, else ~/.pgpass), the server is checked (sslmode=verify-full) unless it is a\n"
    "             local Unix socket.\n";

int usage(const std::string& problem) {
    if (!problem.empty()) std::fprintf(stderr, "velmora-records: %s\n", problem.c_str());
    std::fputs(kUsage, stderr);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    records::ReportRange range;
    std::string day, uri;
    bool csv = false;
    if (const char* env = std::getenv("VELMORA_RECORDS_DB")) uri = env;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&](std::string& into) {
            if (i + 1 >= argc) return false;
            into = argv[++i];
            return true;
        };
        std::string top;
        if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        } else if (arg == "--csv") {
            csv = true;
        } else if (arg == "--day" || arg == "--from" || arg == "--to" || arg == "--db" || arg == "--top") {
            std::string& into = arg == "--day"    ? day
                                : arg == "--from" ? range.from
                                : arg == "--to"   ? range.to
                                : arg == "--db"   ? uri
                                                  : top;
            if (!value(into)) return usage(arg + " needs a value");
            if (arg == "--top") {
                char* end = nullptr;
                const long n = std::strtol(top.c_str(), &end, 10);
                if (top.empty() || *end || n < 0 || n > 1000) return usage("--top takes a number from 0 to 1000");
                range.top = static_cast<int>(n);
            }
        } else {
            return usage("unknown argument " + arg);
        }
    }
    if (!day.empty()) {
        if (!range.from.empty() || !range.to.empty()) return usage("--day or --from/--to, not both");
        range.from = range.to = day;
    }
    if (range.from.empty() || range.to.empty()) return usage("a day (--day) or a range (--from and --to) is needed");
    for (const auto* date : {&range.from, &range.to})
        if (!records::parseDay(*date)) return usage("not a date: " + *date);
    if (range.from > range.to) return usage("--from is after --to");
    if (uri.empty()) return usage("no database: --db URI or VELMORA_RECORDS_DB");

    records::Database db;
    std::string error;
    std::vector<records::AgentReport> agents;
    if (!db.connect(uri, error) || !records::runReport(db, range, agents, error)) {
        std::fprintf(stderr, "velmora-records: %s\n", records::oneLine(error).c_str());
        return 1;
    }
    const auto text = csv ? records::formatCsv(agents) : records::formatTable(agents, range);
    std::fwrite(text.data(), 1, text.size(), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
}
