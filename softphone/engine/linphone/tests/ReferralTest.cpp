#include "EngineRig.h"

#include <fstream>
#include <sstream>

namespace velmora::engine::testing {
namespace {

// What Kamailio logged of the requests it received (it logs each request's
// URI at debug level 3).
std::string requestsSeen(const rig::Kamailio& kamailio) {
    std::ifstream in(kamailio.logFile());
    std::ostringstream seen;
    std::string line;
    while (std::getline(in, line))
        if (line.find("uri:") != std::string::npos) seen << line << "\n";
    return seen.str();
}

class Referral : public EngineTest {
protected:
    void SetUp() override {
        rig::Kamailio::Setup setup;
        setup.domain = kDomain;
        setup.accounts = {{"1001", "secret1"}};
        setup.debugLevel = 3;
        kamailio = std::make_unique<rig::Kamailio>(setup);
    }
};

TEST_F(Referral, FarEndReferIsRefusedAndNoCallGoesToItsTarget) {
    Agent& ann = agent("1001", "secret1");
    auto peer = callee("uas_sends_refer.xml", {{"TARGET", "sip:5559876543@pbx.test"}});
    ASSERT_TRUE(online(ann)) << ann.log.text();
    ASSERT_TRUE(ann.engine->Dial(0, peer->uri(), -1, -1));
    ASSERT_TRUE(waitFor([&] { return ann.log.has("OnConnected"); })) << ann.log.text() << peer->report();
    ASSERT_TRUE(waitFor([&] { return ann.log.has("OnTransferFailed"); })) << ann.log.text() << peer->report();
    EXPECT_EQ(ann.log.first("OnTransferFailed"), "OnTransferFailed(0,603,Transfer request refused)");

    settle(5000);
    const std::string seen = requestsSeen(*kamailio);
    EXPECT_NE(seen.find(peer->uri().substr(4)), std::string::npos) << "the log shows requests:\n" << seen;
    EXPECT_EQ(seen.find("5559876543"), std::string::npos) << seen;
    EXPECT_EQ(ann.log.count("OnTransferFailed"), 1u);
    EXPECT_EQ(ann.log.count("OnRegistered"), 1u) << ann.log.text();  // the registration went on untouched
    EXPECT_FALSE(ann.log.has("OnRegisterFailed") || ann.log.has("OnReRegisterFailed")) << ann.log.text();
    EXPECT_FALSE(ann.log.has("OnHungUp")) << ann.log.text();
    EXPECT_TRUE(ann.engine->IsLineBusy(0));
    EXPECT_FALSE(ann.engine->IsLineOnHold(0));
    EXPECT_FALSE(ann.engine->IsLineBusy(1));

    // The far end is told that no call came of its referral: the last
    // NOTIFY's sipfrag is the decline (liblinphone 5.1 keeps the
    // subscription "active" in it; the dialog's end ends it).
    const std::string toPeer = peer->messages();
    const auto notify = toPeer.rfind("NOTIFY sip:");
    ASSERT_NE(notify, std::string::npos) << toPeer;
    const auto body = toPeer.find("\r\n\r\n", notify);
    ASSERT_NE(body, std::string::npos) << toPeer.substr(notify);
    EXPECT_EQ(toPeer.substr(body + 4, 20), "SIP/2.0 603 Decline\r") << toPeer.substr(notify);
    EXPECT_TRUE(ann.engine->DisconnectLine(0));
    EXPECT_EQ(outcome(*peer), 0) << peer->report();
}

}  // namespace
}  // namespace velmora::engine::testing
