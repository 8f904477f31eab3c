#include "NetworkProbe.h"

#include <gtest/gtest.h>

namespace velmora::engine {
namespace {

// Ports far from the phones' own (5782 up), so a phone running on this
// machine meanwhile holds none of them.
TEST(PortClaim, OneEngineAtATimeHoldsAPortUntilItLetsGo) {
    constexpr int kPort = 47782;
    PortClaim first, second, other;
    ASSERT_TRUE(first.claim("udp", kPort));
    EXPECT_FALSE(second.claim("udp", kPort));  // the engine started at the same moment moves on
    EXPECT_TRUE(other.claim("tcp", kPort));    // another transport is another port
    EXPECT_TRUE(second.claim("udp", kPort + 1));
    first.release();
    EXPECT_TRUE(second.claim("udp", kPort));  // a new claim gives up the old one
    EXPECT_TRUE(first.claim("udp", kPort + 1));
}

}  // namespace
}  // namespace velmora::engine
