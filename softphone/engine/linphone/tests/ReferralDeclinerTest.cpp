#include "ReferralDecliner.h"

#include <gtest/gtest.h>

namespace velmora::engine {
namespace {

std::string request(const std::string& method, const std::string& callId, const std::string& toTag = "") {
    return method + " sip:5559876543@pbx.test SIP/2.0\r\n"
                    "Via: SIP/2.0/UDP 127.0.0.1:5070;branch=z9hG4bK.abc;rport\r\n"
                    "From: <sip:1001@pbx.test>;tag=from1\r\n"
                    "To: <sip:5559876543@pbx.test>" +
           toTag +
           "\r\n"
           "CSeq: 20 " +
           method + "\r\nCall-ID: " + callId + "\r\nMax-Forwards: 70\r\nContent-Length: 0\r\n\r\n";
}

TEST(ReferralDecliner, DeclinesOnlyTheInviteOfTheReferredCall) {
    const std::string answer = declineInvite(request("INVITE", "call-7"), "call-7");
    ASSERT_EQ(answer.rfind("SIP/2.0 603 Decline\r\n", 0), 0u) << answer;
    for (const char* kept : {"branch=z9hG4bK.abc", "tag=from1", "Call-ID: call-7", "CSeq: 20 INVITE"})
        EXPECT_NE(answer.find(kept), std::string::npos) << kept << "\n" << answer;
    // A final answer carries the callee's tag.
    EXPECT_NE(answer.find("To: <sip:5559876543@pbx.test>;tag="), std::string::npos) << answer;

    struct Case {
        const char* what;
        std::string datagram, callId;
    };
    const Case ignored[] = {
        {"another call", request("INVITE", "call-8"), "call-7"},
        {"no call waited for", request("INVITE", "call-7"), ""},
        {"the ACK of the decline", request("ACK", "call-7", ";tag=declined"), "call-7"},
        {"a CANCEL", request("CANCEL", "call-7"), "call-7"},
        {"a response", "SIP/2.0 200 OK\r\nCall-ID: call-7\r\nCSeq: 20 INVITE\r\n\r\n", "call-7"},
        {"not SIP", "\x01\x02 hello", "call-7"},
        {"empty", "", "call-7"},
        {"too long", request("INVITE", "call-7") + std::string(9000, 'x'), "call-7"},
    };
    for (const auto& c : ignored) EXPECT_EQ(declineInvite(c.datagram, c.callId), "") << c.what;
}

TEST(ReferralDecliner, OpensALoopbackRouteAndClosesIt) {
    ReferralDecliner decliner;
    const std::string route = decliner.open();
    EXPECT_EQ(route.rfind("sip:127.0.0.1:", 0), 0u) << route;
    EXPECT_NE(route.find(";transport=udp;lr"), std::string::npos) << route;
    EXPECT_TRUE(decliner.isOpen());
    EXPECT_EQ(decliner.open(), route);  // one socket while it is open
    decliner.serve();                   // nothing waiting: returns at once
    decliner.close();
    EXPECT_FALSE(decliner.isOpen());
}

}  // namespace
}  // namespace velmora::engine
