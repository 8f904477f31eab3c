// libFuzzer target: the engine's reading of what a connection received (the
// input after its first two NULs, read as a datagram and as a stream), the
// proxy check against a configured server (the second part), and the name a
// chat sender is shown under in a SIP domain (the first part).
#include "FuzzInput.h"
#include "SipSource.h"

#include <cstdlib>

using namespace velmora;

namespace {

bool hasControl(const std::string& text) {
    for (const char c : text)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) return true;
    return false;
}

void checkSender(const std::string& user, const std::string& domain, const std::string& ownDomain) {
    const auto name = engine::chatSenderName(user, domain, ownDomain);
    if (!name) return;
    if (hasControl(*name) || name->empty()) std::abort();
    // The agent's own domain by user part alone, anyone else never as a bare word.
    const bool own = !ownDomain.empty() && engine::sameHost(domain, ownDomain);
    if (own != (name->find('@') == std::string::npos)) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    fuzz::Parts parts(bytes, size);
    const std::string ownDomain = parts.next();
    const std::string server = parts.next();
    const std::string chunk = parts.rest();
    const engine::TrustedProxy proxy = engine::proxyFromAddress(server, !server.empty() && server[0] == 's');
    for (const char* transport : {"udp", "tcp"}) {
        const engine::SipPeer peer{transport, "127.0.0.1", 5060};
        const auto requests = engine::receivedRequests(peer, chunk);
        if (requests.size() > engine::kMaxRequestsPerChunk) std::abort();
        for (const auto& request : requests) {
            if (request.callId.empty() || request.method.empty()) std::abort();
            if (engine::isTrustedPeer(request.peer, proxy) && !engine::sameHost(request.peer.host, proxy.host))
                std::abort();
            checkSender(request.fromUser, request.fromDomain, ownDomain);
        }
        const auto challenges = engine::receivedChallenges(peer.transport == std::string("udp"), chunk);
        for (const auto& challenge : challenges)
            if ((challenge.code != 401 && challenge.code != 407) || challenge.callId.empty()) std::abort();
    }
    if (const auto uri = engine::headerUri(chunk)) checkSender(uri->user, uri->host, ownDomain);
    checkSender(chunk, server, ownDomain);
    return 0;
}
