#pragma once

#include <cstdint>
#include <string>

namespace velmora::engine {

// A far end's REFER is answered 202 by liblinphone before the engine hears
// of it. To refuse it all the same, the engine routes the referred call to
// this loopback socket, which declines it (603): liblinphone then tells the
// far end in the referral's final NOTIFY that no call came of it, and nothing
// was sent towards the target or to the telephone system.
//
// The socket is open only while a referred call is pending, answers only an
// INVITE with that call's Call-ID, and reads at most a few datagrams a pump.
class ReferralDecliner {
public:
    ReferralDecliner() = default;
    ~ReferralDecliner();
    ReferralDecliner(const ReferralDecliner&) = delete;
    ReferralDecliner& operator=(const ReferralDecliner&) = delete;

    // Opens the socket if it is not open; the route to it
    // ("sip:127.0.0.1:PORT;transport=udp;lr"), or "" when none could be opened.
    std::string open();
    // The referred call to decline, once liblinphone gave it a Call-ID.
    void expect(const std::string& callId) { callId_ = callId; }
    // Answers what arrived since the last call; never blocks.
    void serve();
    void close();
    bool isOpen() const { return fd_ >= 0; }

private:
    int fd_ = -1;
    std::uint16_t port_ = 0;
    std::string callId_;
};

// The 603 response to a raw INVITE with the given Call-ID; "" for anything
// else (another method, another call, a response, text that is not SIP).
std::string declineInvite(const std::string& datagram, const std::string& callId);

}  // namespace velmora::engine
