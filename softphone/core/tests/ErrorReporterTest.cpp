#include "ErrorReporter.h"

#include "AppFixture.h"

namespace velmora::core {
namespace {

struct ReporterCase {
    long code;
    const char* message;  // nullptr: nothing shown
    MessageStyle style;
    bool moves;
};

class ErrorReporterTest : public testing::AppFixture, public ::testing::WithParamInterface<ReporterCase> {};

TEST_P(ErrorReporterTest, ShowsTheCodesMessage) {
    const auto& c = GetParam();
    window.form.move(300, 4000);
    engine.failNext("Dial", c.code);
    engine.Dial(0, "x", -1, -1);
    ReportEngineError(app);
    if (!c.message) {
        EXPECT_TRUE(platform.messages.empty());
        EXPECT_EQ(window.form.top(), 4000);
        return;
    }
    ASSERT_EQ(platform.messages.size(), 1u);
    EXPECT_EQ(platform.messages[0].text, c.message);
    EXPECT_EQ(platform.messages[0].style, c.style);
    EXPECT_EQ(platform.messages[0].formTopTwips, c.moves ? 1000 : 4000);
    EXPECT_EQ(window.form.left(), 300);
}

INSTANTIATE_TEST_SUITE_P(
    Codes, ErrorReporterTest,
    ::testing::Values(
        ReporterCase{0, nullptr, MessageStyle::Ok, false}, ReporterCase{9, nullptr, MessageStyle::Ok, false},
        ReporterCase{39, nullptr, MessageStyle::Ok, false},
        ReporterCase{10, "You are not Online, please click the 'Online' button first.", MessageStyle::Ok, true},
        ReporterCase{11,
                     "Can not open local communication port. Another softphone (x-Ten, x-lite or skype etc) "
                     "is already running. Please close it first.",
                     MessageStyle::Ok, true},
        ReporterCase{22, "Provided SIP URI is not valid.", MessageStyle::Ok, true},
        ReporterCase{23, "Codec is not supported.", MessageStyle::Ok, false},
        ReporterCase{24, "Error to create SDP (Session Description Protocol) request.", MessageStyle::Ok, false},
        ReporterCase{29, "Line No is not valid.", MessageStyle::Ok, true},
        ReporterCase{30, "Line is already busy.", MessageStyle::CriticalOnTop, true},
        ReporterCase{34, "Selected line is not in voice session.", MessageStyle::Ok, true},
        ReporterCase{38, "Error to create CANCEL request.", MessageStyle::Ok, true}),
    [](const auto& info) { return "Code" + std::to_string(info.param.code); });

TEST(EngineErrorMessages, EveryCodeFromTenToThirtyEightHasItsText) {
    for (long code = 10; code <= 38; ++code) EXPECT_TRUE(engineErrorMessage(code)) << code;
    EXPECT_EQ(*engineErrorMessage(12), "Please Check Your Internet Connection.");
    EXPECT_EQ(*engineErrorMessage(20), "Recording media initialization fail.");
    EXPECT_EQ(*engineErrorMessage(37), "Unsupported wave file format.");
}

}  // namespace
}  // namespace velmora::core
