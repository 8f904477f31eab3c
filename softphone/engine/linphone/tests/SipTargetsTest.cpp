#include "SipTargets.h"

#include "LinphoneEngineOptions.h"

#include <gtest/gtest.h>

namespace velmora::engine {
namespace {

struct TargetCase {
    std::string target;
    std::optional<std::string> uri;
    friend void PrintTo(const TargetCase& c, std::ostream* out) {
        *out << '"';
        for (unsigned char ch : c.target) {
            if (ch < ' ')
                *out << "\\x" << std::hex << int(ch) << std::dec;
            else
                *out << ch;
        }
        *out << '"';
    }
};

class TargetUri : public ::testing::TestWithParam<TargetCase> {};

TEST_P(TargetUri, BecomesTheRequestUri) {
    EXPECT_EQ(targetUri(GetParam().target, "pbx22.example.net"), GetParam().uri);
}

INSTANTIATE_TEST_SUITE_P(Targets, TargetUri,
                         ::testing::Values(TargetCase{"5557654321", "sip:5557654321@pbx22.example.net"},
                                           TargetCase{"*97", "sip:*97@pbx22.example.net"},
                                           TargetCase{"12#3", "sip:12%233@pbx22.example.net"},
                                           TargetCase{"sip:ann@10.0.0.5:5070", "sip:ann@10.0.0.5:5070"},
                                           TargetCase{"SIP:ann@host", "SIP:ann@host"},
                                           TargetCase{"sips:ann@host", "sips:ann@host"},
                                           TargetCase{"ann@host", "sip:ann@host"}, TargetCase{"", std::nullopt},
                                           TargetCase{"555 1234", std::nullopt}, TargetCase{"<sip:x@y>", std::nullopt},
                                           TargetCase{std::string("55\x01", 3), std::nullopt}));

TEST(TargetUri, DomainThatIsNotAHostGivesNone) {
    EXPECT_EQ(targetUri("5557654321", "pbx22.example.net:5070"), "sip:5557654321@pbx22.example.net:5070");
    EXPECT_EQ(targetUri("5557654321", "[::1]:5060"), "sip:5557654321@[::1]:5060");
    for (const char* domain : {"", "pbx.te\x02st", "pbx.test>;x=<", "evil@pbx.test", "pbx.test\r\nVia: x", "a b"})
        EXPECT_EQ(targetUri("5557654321", domain), std::nullopt) << domain;
}

TEST(CodecName, FollowsTheEngineNumbering) {
    EXPECT_STREQ(codecName(0)->mime, "GSM");
    EXPECT_STREQ(codecName(1)->mime, "iLBC");
    EXPECT_STREQ(codecName(2)->mime, "PCMA");
    EXPECT_STREQ(codecName(3)->mime, "PCMU");
    EXPECT_STREQ(codecName(4)->mime, "G729");
    EXPECT_FALSE(codecName(5));
    EXPECT_FALSE(codecName(-1));
}

}  // namespace
}  // namespace velmora::engine

namespace velmora::engine {
namespace {

TEST(DeploymentTexts, NameTransportsAndEncryptionsWhateverTheirCase) {
    EXPECT_EQ(sipTransportNamed("udp"), SipTransport::Udp);
    EXPECT_EQ(sipTransportNamed("TCP"), SipTransport::Tcp);
    EXPECT_EQ(sipTransportNamed("Tls"), SipTransport::Tls);
    EXPECT_EQ(mediaEncryptionNamed("none"), MediaEncryption::None);
    EXPECT_EQ(mediaEncryptionNamed("SRTP"), MediaEncryption::Srtp);
    EXPECT_EQ(mediaEncryptionNamed("srtp-mandatory"), MediaEncryption::SrtpMandatory);
    EXPECT_EQ(mediaEncryptionNamed("zrtp"), MediaEncryption::Zrtp);
    for (const char* unknown : {"", "tls ", "sips", "ssl", "dtls"}) {
        SCOPED_TRACE(unknown);
        EXPECT_EQ(sipTransportNamed(unknown), std::nullopt);
        EXPECT_EQ(mediaEncryptionNamed(unknown), std::nullopt);
    }
}

}  // namespace
}  // namespace velmora::engine
