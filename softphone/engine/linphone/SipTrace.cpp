#include "SipTrace.h"

#include "TransferWatch.h"

#include <bctoolbox/logging.h>

#include <cstdarg>
#include <cstring>
#include <deque>
#include <mutex>
#include <string>

namespace velmora::engine {
namespace {

// belle-sip's trace of every chunk a connection received, with the
// connection's peer, written before the chunk is parsed.
constexpr const char* kReceivedFormat = "channel [%p]: received [%i] new bytes from [%s://%s:%i]:\n%s";

struct Noted {
    std::uint64_t serial;
    ReceivedRequest request;
};

struct NotedChallenge {
    std::uint64_t serial;
    ReceivedChallenge challenge;
};
constexpr std::size_t kChallengesKept = 16;

std::mutex mutex;
std::deque<Noted> noted;
std::uint64_t lastSerial = 0;
std::deque<NotedChallenge> challenges;
std::uint64_t lastChallenge = 0;

void traceHandler(void*, const char* domain, BctbxLogLevel level, const char* format, va_list args) {
    if (level != BCTBX_LOG_MESSAGE || !domain || !format || std::strcmp(domain, "belle-sip") != 0 ||
        std::strcmp(format, kReceivedFormat) != 0)
        return;
    // The arguments are those of this exact format, in its order.
    va_list copy;
    va_copy(copy, args);
    (void)va_arg(copy, void*);
    (void)va_arg(copy, int);
    const char* transport = va_arg(copy, const char*);
    const char* host = va_arg(copy, const char*);
    const int port = va_arg(copy, int);
    const char* chunk = va_arg(copy, const char*);
    va_end(copy);
    if (!chunk) return;
    SipPeer peer;
    peer.transport = transport ? transport : "";
    for (char& c : peer.transport) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    peer.host = host ? host : "";
    peer.port = port;
    noteReceivedChunk(peer, chunk);
    if (transferWatchActive()) noteReceivedMessage(chunk);
}

void keepHandler(bctbx_log_handler_t*) {}

}  // namespace

void watchReceivedRequests() {
    static const bool installed = [] {
        bctbx_add_log_handler(bctbx_create_log_handler(traceHandler, keepHandler, nullptr));
        return true;
    }();
    (void)installed;
    const unsigned mask = bctbx_get_log_level_mask("belle-sip");
    if ((mask & BCTBX_LOG_MESSAGE) == 0) bctbx_set_log_level_mask("belle-sip", int(mask | BCTBX_LOG_MESSAGE));
}

void noteReceivedChunk(const SipPeer& peer, std::string_view chunk) {
    std::vector<ReceivedRequest> requests = receivedRequests(peer, chunk);
    std::vector<ReceivedChallenge> challenged = receivedChallenges(peer.transport == "udp", chunk);
    const std::lock_guard lock(mutex);
    for (ReceivedChallenge& challenge : challenged) {
        if (challenges.size() == kChallengesKept) challenges.pop_front();
        challenges.push_back({++lastChallenge, std::move(challenge)});
    }
    for (ReceivedRequest& request : requests) {
        if (noted.size() == kRequestsKept) noted.pop_front();
        noted.push_back({++lastSerial, std::move(request)});
    }
}

std::optional<ReceivedRequest> lastRequest(std::string_view callId, std::string_view method) {
    const std::lock_guard lock(mutex);
    for (auto it = noted.rbegin(); it != noted.rend(); ++it)
        if (it->request.callId == callId && it->request.method == method) return it->request;
    return std::nullopt;
}

std::optional<ReceivedRequest> lastPresenceSubscribe(std::string_view user, std::string_view domain) {
    const std::lock_guard lock(mutex);
    for (auto it = noted.rbegin(); it != noted.rend(); ++it) {
        const ReceivedRequest& r = it->request;
        if (r.method == "SUBSCRIBE" && !r.inDialog && r.event == "presence" && r.fromUser == user &&
            sameHost(r.fromDomain, domain))
            return r;
    }
    return std::nullopt;
}

std::vector<ReceivedRequest> requestsSince(std::uint64_t& cursor) {
    const std::lock_guard lock(mutex);
    std::vector<ReceivedRequest> found;
    for (const Noted& n : noted)
        if (n.serial > cursor) found.push_back(n.request);
    cursor = lastSerial;
    return found;
}

std::vector<ReceivedChallenge> challengesSince(std::uint64_t& cursor) {
    const std::lock_guard lock(mutex);
    std::vector<ReceivedChallenge> found;
    for (const NotedChallenge& n : challenges)
        if (n.serial > cursor) found.push_back(n.challenge);
    cursor = lastChallenge;
    return found;
}

std::uint64_t latestChallengeCursor() {
    const std::lock_guard lock(mutex);
    return lastChallenge;
}

std::uint64_t latestRequestCursor() {
    const std::lock_guard lock(mutex);
    return lastSerial;
}

}  // namespace velmora::engine
