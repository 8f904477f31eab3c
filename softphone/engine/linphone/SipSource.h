#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Who sent a request, and what of it the engine's rules look at. liblinphone
// acts on requests without telling where they came from, and the top Via's
// received/rport parameters cannot tell either: belle-sip adds them only
// when the sender's own Via disagrees with the socket, so a sender that
// writes the proxy's port into its Via (without rport), or writes rport
// itself, reads as the proxy. The one place that names the real sender is
// belle-sip's trace of what each connection received ("received [N] new
// bytes from [udp://HOST:PORT]"), written from the socket's peer before the
// bytes are parsed and handed on. These are the pure parts: reading the
// requests out of such a received chunk, and the text rules built on them.

namespace velmora::engine {

// The far side of the connection a chunk arrived on, as belle-sip names it:
// the host it connected to (a name, for the proxy it was given by name) or
// the numeric address of a peer that came to us.
struct SipPeer {
    std::string transport;  // "udp", "tcp", "tls"
    std::string host;
    int port = 0;
};

// What the engine's rules need of one received request.
struct ReceivedRequest {
    SipPeer peer;
    std::string method;      // upper case as sent: "INVITE", "MESSAGE", ...
    std::string callId;
    std::string fromUser;    // the From URI's user part, as written (escapes kept)
    std::string fromDomain;  // the From URI's host, lower case
    bool inDialog = false;   // the To header carries a tag
    bool replaces = false;   // a Replaces header is present
    std::string event;       // the Event header's package ("presence"), lower case
    long expires = -1;       // the Expires header, -1 without one
};

// The requests whose headers arrived whole in chunk, in order; responses,
// partial messages and text that is not SIP are skipped. A stream chunk may
// hold several messages: each one's body (Content-Length) is stepped over,
// so text inside a body never reads as a header. At most kMaxRequestsPerChunk.
inline constexpr std::size_t kMaxRequestsPerChunk = 16;
std::vector<ReceivedRequest> receivedRequests(const SipPeer& peer, std::string_view chunk);

// A 401 or 407 response received: who challenged what, in which realms.
struct ReceivedChallenge {
    std::string callId;
    std::string method;  // of its CSeq: the request challenged
    long code = 0;
    std::string phrase;
    std::vector<std::string> realms;  // of each WWW- or Proxy-Authenticate
};
std::vector<ReceivedChallenge> receivedChallenges(bool datagram, std::string_view chunk);

// The user and host of a From or To header's value ("Name" <sip:u@h;x>;tag=1,
// or sip:u@h;tag=1); nullopt when it holds no sip/sips URI.
struct UriParts {
    std::string user;
    std::string host;  // lower case
};
std::optional<UriParts> headerUri(std::string_view value);

// Host names compare without regard to case.
bool sameHost(std::string_view a, std::string_view b);

// The proxy a request must come through: host as configured (a name or an
// address) and port (0: none configured). A peer is the proxy when its host
// is that host and its port that port; without a configured port a named
// proxy matches on any port (only a connection the engine opened towards that
// name carries the name), and an address on the transport's default port.
struct TrustedProxy {
    std::string host;
    int port = 0;
    bool tls = false;
};
bool isTrustedPeer(const SipPeer& peer, const TrustedProxy& proxy);
// "host:port" (or "[v6]:port", "host") of a configured server; port 0 without one.
TrustedProxy proxyFromAddress(std::string_view hostPort, bool tls);

// The sender a chat message is shown and logged under: a sender of the
// agent's own SIP domain by its user part (the program maps it to the chat
// user's name), anyone else as "user@domain", never a bare word. nullopt
// for a sender that cannot be named safely (no domain, an own-domain user
// part that is empty or holds '@', control characters anywhere).
std::optional<std::string> chatSenderName(std::string_view user, std::string_view domain, std::string_view ownDomain);

}  // namespace velmora::engine
