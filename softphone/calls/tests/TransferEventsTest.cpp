#include "app/Program.h"

#include "AppFixture.h"

namespace velmora::calls {
namespace {

struct TransferEventsTest : core::testing::AppFixture {
    app::Program program{app};
};

TEST_F(TransferEventsTest, RefusedTransferRequestIsOneStatusLineAndNothingElse) {
    window.webtimer.setEnabled(false);
    const auto before = window.ListStatusLog.count();
    engine.raise().OnTransferFailed(0, 603, "Transfer request refused");
    loop.advance(5000);
    ASSERT_EQ(window.ListStatusLog.count(), before + 1);
    EXPECT_EQ(window.ListStatusLog.lines().back(), "Fail to Transfer: Transfer request refused");
    EXPECT_TRUE(engine.callsOf("Dial").empty());
    EXPECT_TRUE(engine.callsOf("DisconnectLine").empty());
}

}  // namespace
}  // namespace velmora::calls
