#pragma once

#include "SipSource.h"

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

// The requests belle-sip received lately, each with the peer whose
// connection brought it (see SipSource.h for why belle-sip's trace is the
// place to learn that). The trace is read from belle-sip's log while any
// engine lives; it never reaches the engine's log file unless the full log
// was asked for. belle-sip writes the trace of a chunk before it parses the
// chunk and hands its requests to liblinphone, on the same thread, so a
// request is noted before liblinphone can act on it. The log is the
// process's: so is this record, a bounded one.

namespace velmora::engine {

// Requests kept, newest last; older ones are forgotten.
inline constexpr std::size_t kRequestsKept = 64;

// Starts reading belle-sip's trace (once per process) and keeps belle-sip's
// message level on, which the trace needs; cheap enough to call often.
void watchReceivedRequests();

// What a connection received (the hook calls it; tests may too).
void noteReceivedChunk(const SipPeer& peer, std::string_view chunk);

// The newest request of method with this Call-ID.
std::optional<ReceivedRequest> lastRequest(std::string_view callId, std::string_view method);
// The newest out-of-dialog SUBSCRIBE for presence from user@domain.
std::optional<ReceivedRequest> lastPresenceSubscribe(std::string_view user, std::string_view domain);
// The requests noted after *cursor, oldest first; *cursor moves past them.
std::vector<ReceivedRequest> requestsSince(std::uint64_t& cursor);
// The cursor that has seen everything noted so far.
std::uint64_t latestRequestCursor();
// The 401 and 407 responses noted after *cursor (a few are kept), oldest
// first; *cursor moves past them.
std::vector<ReceivedChallenge> challengesSince(std::uint64_t& cursor);
std::uint64_t latestChallengeCursor();

}  // namespace velmora::engine
