#include "SipSource.h"

#include <gtest/gtest.h>

namespace velmora::engine {
namespace {

const SipPeer kUdp{"udp", "127.0.0.1", 5060};
const SipPeer kTcp{"tcp", "127.0.0.1", 5060};

std::string request(const std::string& method, const std::string& extra, const std::string& body = "") {
    return method + " sip:1001@pbx.test SIP/2.0\r\nVia: SIP/2.0/UDP 10.0.0.9:5070;branch=z9hG4bK1\r\n"
                    "From: \"Boss <x>\" <sip:Me@Evil.Example;user=phone>;tag=1\r\nTo: <sip:1001@pbx.test>\r\n" +
           extra + "CSeq: 1 " + method + "\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

TEST(SipSource, ReadsWhatTheRulesNeedOfARequest) {
    const auto found = receivedRequests(kUdp, request("INVITE", "Call-ID: a@b\r\nReplaces: x;to-tag=1;from-tag=2\r\n"));
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].method, "INVITE");
    EXPECT_EQ(found[0].callId, "a@b");
    EXPECT_EQ(found[0].fromUser, "Me");
    EXPECT_EQ(found[0].fromDomain, "evil.example");
    EXPECT_TRUE(found[0].replaces);
    EXPECT_FALSE(found[0].inDialog);
    EXPECT_EQ(found[0].peer.port, 5060);
}

// A body never reads as headers: a relayed chat text that looks like a
// request is part of the message it came in.
TEST(SipSource, BodiesAreSteppedOverInAStream) {
    const std::string forged = "\r\n\r\nINVITE sip:1001@pbx.test SIP/2.0\r\nCall-ID: victim\r\n\r\n";
    const std::string chunk = request("MESSAGE", "i: m1\r\n", forged) +
                              request("SUBSCRIBE", "Call-ID: s1\r\nEvent: presence;id=2\r\nExpires: 0\r\n");
    const auto found = receivedRequests(kTcp, chunk);
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0].callId, "m1");
    EXPECT_EQ(found[1].method, "SUBSCRIBE");
    EXPECT_EQ(found[1].event, "presence");
    EXPECT_EQ(found[1].expires, 0);
}

TEST(SipSource, AmbiguousOrPartialRequestsAreNotNoted) {
    for (const std::string& chunk : {request("MESSAGE", "Call-ID: a\r\nCall-ID: b\r\n"),
                                     request("MESSAGE", "Call-ID: a\r\n").substr(0, 60), std::string("SIP/2.0 200 Ok\r\n\r\n")}) {
        SCOPED_TRACE(chunk);
        EXPECT_TRUE(receivedRequests(kTcp, chunk).empty());
    }
}

TEST(SipSource, ChallengesNameTheirRealmAndRequest) {
    const std::string chunk = "SIP/2.0 401 Unauthorized\r\nCall-ID: c1\r\nCSeq: 2 BYE\r\n"
                              "WWW-Authenticate: Digest nonce=\"n\", realm=\"evil.example\"\r\nContent-Length: 0\r\n\r\n";
    const auto found = receivedChallenges(true, chunk);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].code, 401);
    EXPECT_EQ(found[0].method, "BYE");
    EXPECT_EQ(found[0].realms, std::vector<std::string>{"evil.example"});
}

struct PeerCase {
    const char* configured;
    SipPeer peer;
    bool trusted;
};

TEST(SipSource, OnlyTheConfiguredServerIsTheProxy) {
    const PeerCase cases[] = {
        {"127.0.0.1:5060", {"udp", "127.0.0.1", 5060}, true},
        {"127.0.0.1:5060", {"udp", "127.0.0.1", 5070}, false},  // same machine, another port
        {"127.0.0.1:5060", {"udp", "127.0.0.2", 5060}, false},
        {"sip:Proxy.Example:5061;transport=tls", {"tls", "proxy.example", 5061}, true},
        {"proxy.example", {"udp", "proxy.example", 5080}, true},  // a name: only our own connection carries it
        {"192.0.2.7", {"udp", "192.0.2.7", 5070}, false},
        {"192.0.2.7", {"udp", "192.0.2.7", 5060}, true},
        {"127.0.0.1:99999", {"udp", "127.0.0.1", 99999}, false},
    };
    for (const PeerCase& c : cases) {
        SCOPED_TRACE(std::string(c.configured) + " / " + c.peer.host + ":" + std::to_string(c.peer.port));
        EXPECT_EQ(isTrustedPeer(c.peer, proxyFromAddress(c.configured, false)), c.trusted);
    }
}

struct SenderCase {
    const char* user;
    const char* domain;
    std::optional<std::string> shown;
};

TEST(SipSource, ChatSendersOfTheOwnDomainByUserPartOthersInFull) {
    const SenderCase cases[] = {
        {"1002", "pbx.test", "1002"},
        {"supervisor", "PBX.Test", "supervisor"},
        {"Me", "evil.example", "Me@evil.example"},
        {"supervisor", "evil.example", "supervisor@evil.example"},
        {"", "pbx.test", std::nullopt},
        {"a@b", "pbx.test", std::nullopt},
        {"", "evil.example", std::nullopt},
        {"x\ny", "evil.example", std::nullopt},
        {"1002", "", std::nullopt},
    };
    for (const SenderCase& c : cases) {
        SCOPED_TRACE(std::string(c.user) + "@" + c.domain);
        EXPECT_EQ(chatSenderName(c.user, c.domain, "pbx.test"), c.shown);
    }
}

}  // namespace
}  // namespace velmora::engine
