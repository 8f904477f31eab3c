#include "app/Program.h"
#include "StatusLog.h"

#include "AppFixture.h"

namespace velmora::core {
namespace {

struct StatusLogTest : testing::AppFixture {
    app::Program program{app};
    std::vector<std::int64_t> hangUps;  // virtual time of each hang-up
    StatusLogTest() {
        window.BtnHangUp.onClick = [this] { hangUps.push_back(loop.elapsed()); };
    }
};

struct PhraseCase {
    const char* line;
    const char* banner;  // nullptr: no detection
};

class FailurePhraseTest : public StatusLogTest, public ::testing::WithParamInterface<PhraseCase> {};

TEST_P(FailurePhraseTest, BannerAndHangUpTwoSecondsLater) {
    const auto& c = GetParam();
    window.mouseMenu.setCaption("Ready...");
    ShowStatus(app, c.line);
    EXPECT_EQ(window.LineStatTxT.text(), "");
    EXPECT_EQ(window.ListStatusLog.lines().back(), c.line);
    if (!c.banner) {
        loop.advance(5000);
        EXPECT_EQ(window.mouseMenu.caption(), "Ready...");
        EXPECT_TRUE(hangUps.empty());
        return;
    }
    EXPECT_EQ(window.mouseMenu.caption(), c.banner);
    EXPECT_EQ(hangUps, (std::vector<std::int64_t>{2000}));
}

INSTANTIATE_TEST_SUITE_P(Phrases, FailurePhraseTest,
                         ::testing::Values(PhraseCase{"Forbidden", "Bad Number"},
                                           PhraseCase{"Server Internal Failure", "Bad Number"},
                                           PhraseCase{"Service Unavailable", "Bad Number"},
                                           PhraseCase{"Temporarily Unavailable", "Bad Number"},
                                           PhraseCase{"  NOT FOUND  ", "Bad Number"}, PhraseCase{"Busy Here", "BUSY"},
                                           PhraseCase{"Line-1: Busy Here", nullptr}, PhraseCase{"Busy", nullptr},
                                           PhraseCase{"Not Found here", nullptr}, PhraseCase{"", nullptr}));

TEST_F(StatusLogTest, ScrollsToTheLastLineAndKeepsFiftyCharactersForTheCheck) {
    std::vector<std::string> seen;
    window.LineStatTxT.onChange = [&] { seen.push_back(window.LineStatTxT.text()); };
    ShowStatus(app, "  " + std::string(60, 'x'));
    ShowStatus(app, "second");
    EXPECT_EQ(window.ListStatusLog.topIndex(), 1);
    EXPECT_EQ(seen, (std::vector<std::string>{std::string(48, 'x'), "", "second"}));
}

TEST_F(StatusLogTest, ListKeepsTheLastThousandLines) {
    for (int i = 1; i <= 1500; ++i) ShowStatus(app, "line " + std::to_string(i));
    const auto& lines = window.ListStatusLog.lines();
    ASSERT_EQ(lines.size(), 1000u);
    EXPECT_EQ(lines.front(), "line 501");
    EXPECT_EQ(lines.back(), "line 1500");
    EXPECT_EQ(window.ListStatusLog.topIndex(), 999);
}

TEST_F(StatusLogTest, LineFromTheNetworkIsCutAndKeptOnOneLine) {
    ShowStatus(app, "Line-1: " + std::string(500, 'x'));
    ShowStatus(app, "Line-1: Busy\r\nInjected: yes");
    ShowStatus(app, std::string(199, 'a') + "\xC3\xA9tail");  // a two-byte character across the cut
    const auto& lines = window.ListStatusLog.lines();
    EXPECT_EQ(lines[0], "Line-1: " + std::string(192, 'x'));
    EXPECT_EQ(lines[1], "Line-1: Busy  Injected: yes");
    EXPECT_EQ(lines[2], std::string(199, 'a'));
}

TEST_F(StatusLogTest, ClipboardIsClearedOnlyWhileClickToDialIsOn) {
    platform.clipboard = "5557654321";
    ShowStatus(app, "Busy Here");
    loop.advance(2000);
    EXPECT_TRUE(platform.clipboardLog.empty());
    EXPECT_EQ(*platform.clipboard, "5557654321");

    window.autoCheck.setValue(1);
    ShowStatus(app, "Busy Here");
    EXPECT_EQ(platform.clipboardLog, (std::vector<std::string>{"clear", "set:"}));
    EXPECT_EQ(hangUps.size(), 2u);
}

TEST_F(StatusLogTest, AClipboardHeldElsewhereDoesNotStopTheHangUp) {
    window.autoCheck.setValue(1);
    platform.clipboardAvailable = false;
    ShowStatus(app, "Not Found");
    EXPECT_EQ(hangUps.size(), 1u);
}

TEST_F(StatusLogTest, APhraseDuringTheWaitStartsItsOwnDetection) {
    window.TimeTimer.onTick = [this] {
        window.TimeTimer.setEnabled(false);
        ShowStatus(app, "Service Unavailable");
    };
    ShowStatus(app, "Busy Here");  // waits 2000 ms; TimeTimer fires at 1000 ms
    EXPECT_EQ(hangUps, (std::vector<std::int64_t>{3000, 3000})) << "the inner detection ends first, then the outer one";
    EXPECT_EQ(window.mouseMenu.caption(), "Bad Number");
}

TEST_F(StatusLogTest, ClearButtonAndLogCleanTimer) {
    ShowStatus(app, "one");
    window.EditPhoneNo.setText("555");
    window.BtnClearLog.click();
    EXPECT_EQ(window.ListStatusLog.count(), 0);
    EXPECT_EQ(window.EditPhoneNo.text(), "");

    ShowStatus(app, "two");
    window.logCleanTimer.setEnabled(true);
    loop.advance(499);
    EXPECT_EQ(window.ListStatusLog.count(), 1);
    loop.advance(1);
    EXPECT_EQ(window.ListStatusLog.count(), 0);
    EXPECT_FALSE(window.logCleanTimer.enabled());
}

}  // namespace
}  // namespace velmora::core
