#include "EngineRig.h"

namespace velmora::engine::testing {
namespace {

// A blind transfer of a connected call, however the far end takes it. The
// engine waits 2 s (not 30) for a word on a transfer the far end accepted.
struct TransferCase {
    const char* name;
    const char* scenario;
    std::map<std::string, std::string> values;
    bool ends;           // our leg ends with the transfer
    const char* failed;  // the OnTransferFailed expected, or nullptr
};

void PrintTo(const TransferCase& c, std::ostream* out) { *out << c.name; }

class Transfer : public EngineTest, public ::testing::WithParamInterface<TransferCase> {};

TEST_P(Transfer, EndsOnceOrFailsAndTheCallGoesOn) {
    const TransferCase& c = GetParam();
    Agent& ann = agent("1001", "secret1", [](LinphoneEngineOptions& o) { o.transferOutcomeSeconds = 2; });
    auto values = c.values;
    values.emplace("TARGET", "sip:5557654321@pbx.test");
    auto peer = callee(c.scenario, values);
    ASSERT_TRUE(start(ann));
    ASSERT_TRUE(ann.engine->Dial(0, peer->uri(), -1, -1));
    ASSERT_TRUE(waitFor([&] { return ann.log.has("OnConnected"); })) << ann.log.text() << peer->report();
    ASSERT_TRUE(ann.engine->TransferCall(0, "5557654321"));

    if (c.ends) {
        ASSERT_TRUE(waitFor([&] { return ann.log.has("OnHungUp"); })) << ann.log.text() << peer->report();
        EXPECT_FALSE(ann.engine->IsLineBusy(0));
        EXPECT_EQ(outcome(*peer), 0) << peer->report();
        settle(500);
        EXPECT_EQ(ann.log.count("OnTransferAccepted(0)"), 1u) << ann.log.text();
        EXPECT_EQ(ann.log.count("OnHungUp(0)"), 1u) << ann.log.text();
        EXPECT_LT(ann.log.text().find("OnTransferAccepted"), ann.log.text().find("OnHungUp")) << ann.log.text();
        EXPECT_FALSE(ann.log.has("OnTransferFailed")) << ann.log.text();
    } else {
        ASSERT_TRUE(waitFor([&] { return ann.log.has("OnTransferFailed"); })) << ann.log.text() << peer->report();
        settle(2500);  // past the wait for a word on the transfer
        EXPECT_EQ(ann.log.first("OnTransferFailed"), c.failed);
        EXPECT_EQ(ann.log.count("OnTransferFailed"), 1u) << ann.log.text();
        EXPECT_FALSE(ann.log.has("OnTransferAccepted") || ann.log.has("OnHungUp")) << ann.log.text();
        EXPECT_TRUE(ann.engine->IsLineBusy(0));
        EXPECT_FALSE(ann.engine->IsLineOnHold(0));
        EXPECT_TRUE(ann.engine->SendDtmfDigit(0, "5")) << ann.engine->GetLastEngineError();  // still talking
        EXPECT_TRUE(ann.engine->DisconnectLine(0));
        EXPECT_EQ(outcome(*peer), 0) << peer->report();
        EXPECT_FALSE(ann.log.has("OnHungUp")) << ann.log.text();
    }
}

INSTANTIATE_TEST_SUITE_P(
    FarEnds, Transfer,
    ::testing::Values(
        // 202, NOTIFY 100 then NOTIFY 200: the engine ends our leg.
        TransferCase{"TargetAnswers", "uas_refer.xml", {}, true, nullptr},
        // 202, then a BYE and no word on the transfer.
        TransferCase{"FarEndHangsUp", "uas_refer_hang_up.xml", {{"TALK_MS", "500"}}, true, nullptr},
        // 202, then nothing: our leg ends when the wait is over.
        TransferCase{"FarEndSaysNothingMore", "uas_refer_silent.xml", {}, true, nullptr},
        TransferCase{"Declined",
                     "uas_refer_refused.xml",
                     {{"CODE", "603"}, {"PHRASE", "Decline"}},
                     false,
                     "OnTransferFailed(0,603,Decline)"},
        TransferCase{"Forbidden",
                     "uas_refer_refused.xml",
                     {{"CODE", "403"}, {"PHRASE", "Forbidden"}},
                     false,
                     "OnTransferFailed(0,403,Forbidden)"}),
    [](const ::testing::TestParamInfo<TransferCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace velmora::engine::testing
