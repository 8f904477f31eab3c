#include "NetworkProbe.h"

#include <gtest/gtest.h>

namespace velmora::engine {
namespace {

TEST(PortClaim, OneEngineAtATimeHoldsAPortUntilItLetsGo) {
    PortClaim first, second, other;
    ASSERT_TRUE(first.claim("udp", 5782));
    EXPECT_FALSE(second.claim("udp", 5782));  // the engine started at the same moment moves on
    EXPECT_TRUE(other.claim("tcp", 5782));    // another transport is another port
    EXPECT_TRUE(second.claim("udp", 5783));
    first.release();
    EXPECT_TRUE(second.claim("udp", 5782));  // a new claim gives up the old one
    EXPECT_TRUE(first.claim("udp", 5783));
}

}  // namespace
}  // namespace velmora::engine
