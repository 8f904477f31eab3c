#include "TransferWatch.h"

#include "SipTrace.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <deque>
#include <mutex>
#include <string_view>

namespace velmora::engine {
namespace {

constexpr std::size_t kMaxNews = 32;
constexpr std::size_t kMaxText = 128;

std::mutex newsMutex;
std::deque<ReferNews> news;
std::atomic<int> watchers{0};

bool startsWithNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && std::equal(prefix.begin(), prefix.end(), text.begin(), [](char a, char b) {
               return std::tolower((unsigned char)a) == std::tolower((unsigned char)b);
           });
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) text.remove_suffix(1);
    return text;
}

// The far end's text, as little as is shown: printable characters only.
std::string clean(std::string_view text) {
    std::string out;
    for (const char c : text.substr(0, kMaxText))
        if (static_cast<unsigned char>(c) >= 0x20 && c != 0x7f) out += c;
    return out;
}

// "SIP/2.0 603 Decline": the code (0 when it is no status line) and phrase.
long statusLine(std::string_view line, std::string& reason) {
    line = trimmed(line);
    if (!startsWithNoCase(line, "SIP/2.0 ") || line.size() < 11) return 0;
    const std::string_view digits = line.substr(8, 3);
    if (!std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; })) return 0;
    reason = clean(trimmed(line.substr(11)));
    return std::stol(std::string(digits));
}

// The value of a header by its full or compact name ("Call-ID" or "i").
std::string_view header(std::string_view name, std::string_view compact, std::string_view line) {
    const auto colon = line.find(':');
    if (colon == std::string_view::npos) return {};
    const std::string_view key = trimmed(line.substr(0, colon));
    const bool match = (key.size() == name.size() && startsWithNoCase(key, name)) ||
                       (key.size() == compact.size() && startsWithNoCase(key, compact));
    return match ? trimmed(line.substr(colon + 1)) : std::string_view{};
}

}  // namespace

void noteReceivedMessage(const std::string& text) {
    std::string_view rest = text;
    auto nextLine = [&rest]() {
        const auto end = rest.find('\n');
        std::string_view line = rest.substr(0, end);
        rest = end == std::string_view::npos ? std::string_view{} : rest.substr(end + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        return line;
    };
    const std::string_view first = nextLine();
    std::string reason;
    const long code = statusLine(first, reason);
    const bool notify = startsWithNoCase(first, "NOTIFY ");
    if (code == 0 && !notify) return;
    std::string_view callId, cseq, event;
    for (std::string_view line = nextLine(); !line.empty(); line = nextLine()) {
        if (auto v = header("Call-ID", "i", line); !v.empty()) callId = v;
        if (auto v = header("CSeq", "CSeq", line); !v.empty()) cseq = v;
        if (auto v = header("Event", "o", line); !v.empty()) event = v;
    }
    if (callId.empty() || callId.size() > kMaxText) return;
    ReferNews item;
    item.callId = std::string(callId);
    if (code != 0) {
        const auto space = cseq.find(' ');
        if (space == std::string_view::npos || !startsWithNoCase(trimmed(cseq.substr(space + 1)), "REFER")) return;
        item.kind = ReferNews::Kind::Response;
        item.code = code;
        item.reason = reason;
    } else {
        if (!startsWithNoCase(event, "refer")) return;
        // The body (after the blank line) is the referred request's status line.
        item.kind = ReferNews::Kind::Notify;
        item.code = statusLine(nextLine(), item.reason);
        if (item.code == 0) return;
    }
    const std::lock_guard lock(newsMutex);
    if (news.size() == kMaxNews) news.pop_front();
    news.push_back(std::move(item));
}

std::vector<ReferNews> takeReferNews(const std::string& callId) {
    const std::lock_guard lock(newsMutex);
    std::vector<ReferNews> taken;
    for (auto it = news.begin(); it != news.end();) {
        if (it->callId == callId) {
            taken.push_back(std::move(*it));
            it = news.erase(it);
        } else {
            ++it;
        }
    }
    return taken;
}

bool transferWatchActive() { return watchers.load() > 0; }

TransferWatch::TransferWatch() {
    watchReceivedRequests();
    ++watchers;
}

TransferWatch::~TransferWatch() {
    if (--watchers == 0) {
        const std::lock_guard lock(newsMutex);
        news.clear();
    }
}

}  // namespace velmora::engine
