#include "media/Chat.h"

#include "app/Program.h"
#include "core/Diagnostics.h"

#include "AppFixture.h"

namespace velmora::media {
namespace {

using Lines = std::vector<std::string>;

struct ChatTest : core::testing::AppFixture {
    app::Program program{app};
    ChatTest() {
        window.webtimer.setEnabled(false);
        platform.now.tm_hour = 7;
        platform.now.tm_min = 5;
    }
    void openChat(const std::string& users) {
        root.write("bin/chatusers.txt", users);
        window.MonCheck.click();
    }
    std::string chatLog() { return root.read("logs/chat_log_091226.txt"); }
};

TEST_F(ChatTest, OpeningReadsTheChatUsersAndShowsTheScreen) {
    window.form.resize(100, 100);
    window.IMCap.setVisible(true);
    window.ListChatContact.addItem("old");
    openChat("101 Anna Smith\r\n\"102, Bob\",103\n");
    EXPECT_EQ(window.ChatUserName.entries(), (Lines{"101 Anna Smith", "102, Bob", "103"}));
    EXPECT_TRUE(window.Frame2.visible());
    EXPECT_FALSE(window.IMCap.visible());
    EXPECT_EQ(window.ListChatContact.count(), 0);
    EXPECT_EQ(window.form.width(), 7725);
    EXPECT_EQ(window.form.height(), 5625);
    window.MonCheck.click();
    EXPECT_FALSE(window.Frame2.visible());
    EXPECT_EQ(window.ChatUserName.count(), 3);  // reloaded on closing too
}

TEST_F(ChatTest, TheChatUsersFileGivesAtMost99UsableItems) {
    struct Case {
        const char* name;
        std::string content;
        std::size_t expected;
    };
    std::string many;
    for (int i = 1; i <= 10000; ++i) many += std::to_string(i) + " Agent\n";
    std::string binary;
    for (int i = 0; i < 4096; ++i) binary += static_cast<char>(i * 7 % 256);
    for (const Case& c : {Case{"missing", "", 0}, Case{"10,000 lines", many, 99}, Case{"binary", binary, 0},
                          Case{"Latin-1 names",
                               "101 Jos\xE9\n102 Ren\xE9"
                               "e\n",
                               2}}) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove(root.dir / "bin/chatusers.txt");
        if (!c.content.empty()) root.write("bin/chatusers.txt", c.content);
        window.MonCheck.click();
        EXPECT_EQ(window.ChatUserName.count(), static_cast<int>(c.expected));
        if (c.expected == 99) {
            EXPECT_EQ(window.ChatUserName.entries().back(), "99 Agent");  // the 100th item is not read
        }
    }
}

TEST_F(ChatTest, ChoosingAChatUserKeepsTheIdentifierAndItsBlank) {
    struct Case {
        const char* entry;
        std::optional<std::string> chosen;
    };
    for (const Case& c : {Case{"101 Anna Smith", "101 "}, Case{"101", std::nullopt}, Case{"Anna", std::nullopt},
                          Case{"", std::nullopt}}) {
        SCOPED_TRACE(c.entry);
        EXPECT_EQ(chosenChatUser(c.entry), c.chosen);
    }
    openChat("101 Anna Smith\n101, Anna\n");
    EXPECT_EQ(window.ChatUserName.entries(), (Lines{"101 Anna Smith", "101", "Anna"}));
    window.ChatUserName.choose(1);  // no blank: nothing happens
    window.ChatUserName.choose(2);
    EXPECT_TRUE(engine.calls().empty());
    window.ChatUserName.choose(0);
    EXPECT_EQ(window.EditSendChatUserName.text(), "101 ");
    EXPECT_EQ(engine.names(), (Lines{"AddChatContact"}));
    EXPECT_EQ(engine.callsOf("AddChatContact")[0].args, (Lines{"101 "}));
    EXPECT_EQ(window.ListChatContact.lines(), (Lines{"101 "}));
    EXPECT_EQ(window.ListChatContact.listIndex(), 0);
    EXPECT_EQ(window.EditChatContact.text(), "");
}

TEST_F(ChatTest, AddingAndRemovingContacts) {
    window.EditChatContact.setText("102");
    engine.failNext("AddChatContact", engine::kLineNotOpen);
    window.ListChatContact.addItem("101 [Away]");
    window.BtnAddChatContact.click();  // refused: nothing changes but the message
    EXPECT_EQ(window.ListChatContact.lines(), (Lines{"101 [Away]"}));
    EXPECT_EQ(window.EditChatContact.text(), "102");
    EXPECT_EQ(platform.messages.size(), 1u);
    window.BtnAddChatContact.click();
    EXPECT_EQ(window.ListChatContact.lines(), (Lines{"102"}));
    engine.raise().OnChatContactStatus("102", 2);
    window.ListChatContact.setListIndex(0);
    window.BtnRemoveChatContact.click();  // the entry as shown
    EXPECT_EQ(engine.callsOf("RemoveChatContact")[0].args, (Lines{"102 [Away]"}));
    EXPECT_EQ(window.ListChatContact.count(), 0);
}

TEST_F(ChatTest, StatusReportsRewriteEveryEntryContainingTheContact) {
    struct Case {
        Lines entries;
        std::string contact;
        long status;
        Lines expected;
    };
    const Case cases[] = {
        {{"101", "10", "20"}, "10", 0, {"10 [Online]", "10 [Online]", "20"}},
        {{"abc [Busy]"}, "ABC", 3, {"ABC [On the phone]"}},
        {{"102"}, "102", 4, {"102 [Busy]"}},
        {{"102"}, "102", 1, {"102 [Offline]"}},
        {{"102"}, "102", 7, {"102 []"}},
        {{"102"}, "", 0, {"102"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.contact + " " + std::to_string(c.status));
        window.ListChatContact.clear();
        for (const auto& e : c.entries) window.ListChatContact.addItem(e);
        engine.raise().OnChatContactStatus(c.contact, c.status);
        EXPECT_EQ(window.ListChatContact.lines(), c.expected);
    }
}

TEST_F(ChatTest, OwnStatusSendsItsPosition) {
    EXPECT_EQ(window.ComboMyChatStatus.entries(), (Lines{"Online", "Offline", "Away", "On the phone", "Busy"}));
    window.ComboMyChatStatus.choose(3);
    EXPECT_EQ(engine.callsOf("SetMyChatStatus")[0].args, (Lines{"3"}));
}

TEST_F(ChatTest, SendingShowsAndLogsTheMessage) {
    window.EditSendChatMsg.setText("see you at ten");
    window.BtnSendChatMsg.click();  // no recipient: nothing
    EXPECT_TRUE(engine.calls().empty());
    window.EditSendChatUserName.setText("1002");
    engine.failNext("SendChatMessage", engine::kLineNotOpen);
    window.EditSendChatMsg.enter();  // refused: the text stays
    EXPECT_EQ(window.EditSendChatMsg.text(), "see you at ten");
    EXPECT_EQ(window.ListChatMsg.count(), 0);
    window.EditSendChatMsg.enter();
    EXPECT_EQ(engine.callsOf("SendChatMessage").back().args, (Lines{"1002", "see you at ten", "101", "0"}));
    EXPECT_EQ(window.ListChatMsg.lines(), (Lines{"Me: see you at ten"}));
    EXPECT_EQ(window.EditSendChatMsg.text(), "");
    EXPECT_EQ(chatLog(), "Me: see you at ten[0912_7:5]\r\n");
}

TEST_F(ChatTest, WithoutALogsFolderTheMessageIsStillSentAndShown) {
    root.write("logs", "a file where the folder should be");
    std::vector<std::string> said;
    core::setDiagnosticSink([&](const std::string& text) { said.push_back(text); });
    window.EditSendChatUserName.setText("1002");
    window.EditSendChatMsg.setText("hello");
    window.BtnSendChatMsg.click();
    window.EditSendChatMsg.setText("again");
    window.BtnSendChatMsg.click();
    core::setDiagnosticSink(nullptr);
    EXPECT_EQ(engine.callsOf("SendChatMessage").size(), 2u);
    EXPECT_EQ(window.ListChatMsg.lines(), (Lines{"Me: hello", "Me: again"}));
    EXPECT_EQ(said.size(), 1u);  // once, not once a message
}

TEST_F(ChatTest, ReceivedMessagesAreShownAsTextAndPlainOnesLogged) {
    struct Case {
        std::string message, shown;
        bool logged;
    };
    const std::string big(100000, 'x');
    const Case cases[] = {
        {"hello there", "1001: hello there", true},
        {"<b>hi</b>", "1001: hi", false},
        {"a > b", "1001:  b", false},  // no "<" after the ">": the rest is shown
        {"two\r\nlines\x07", "1001: two  lines ", true},
        {"\xE2\x80\xAE"
         "evil",
         "1001: evil", true},  // right-to-left override dropped
        {"bad \xC3\x28 utf", "1001: bad \xEF\xBF\xBD( utf", true},
        {big, "1001: " + std::string(kMaxShownChars - 6, 'x') + "...", true},
    };
    std::string expectedLog;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.shown.substr(0, 40));
        window.ListChatMsg.clear();
        window.IMCap.setVisible(false);
        engine.raise().OnChatMessage("1001", c.message);
        EXPECT_TRUE(window.IMCap.visible());
        EXPECT_EQ(window.ListChatMsg.lines(), (Lines{c.shown}));
        if (c.logged) {
            std::string line = "1001: " + c.message.substr(0, kMaxChatLogLineBytes - 6);  // the log's line bound
            for (char& ch : line)
                if (static_cast<unsigned char>(ch) < 0x20) ch = ' ';
            expectedLog += line + "[0912_7:5]\r\n";
        }
    }
    EXPECT_EQ(chatLog(), expectedLog);
}

TEST_F(ChatTest, AMessageWhileTheWindowIsInactiveRaisesOneNotification) {
    engine.raise().OnChatMessage("1001", "seen here");
    platform.active = false;
    engine.raise().OnChatMessage("1001", "<i>away</i>");
    EXPECT_EQ(platform.notifications, (Lines{"Chat message from 1001|away"}));
}

TEST_F(ChatTest, TheConversationKeepsItsLatestLines) {
    for (int i = 0; i < kMaxChatLines + 10; ++i) {
        engine.raise().OnChatMessage("1001", "<b>" + std::to_string(i) + "<");
        loop.advance(60000 / kMaxChatMessagesPerMinute);
    }
    EXPECT_EQ(window.ListChatMsg.count(), kMaxChatLines);
    EXPECT_EQ(window.ListChatMsg.lines().back(), "1001: " + std::to_string(kMaxChatLines + 9));
}

TEST_F(ChatTest, IndicatorClearAndEditingTheUsers) {
    engine.raise().OnChatMessage("1001", "hi");
    window.IMCap.click();
    EXPECT_TRUE(window.MonCheck.ticked());
    EXPECT_TRUE(window.Frame2.visible());
    EXPECT_FALSE(window.IMCap.visible());
    engine.raise().OnChatMessage("1001", "again");
    window.IMCap.click();  // the screen stays open, the indicator goes
    EXPECT_TRUE(window.Frame2.visible());
    EXPECT_FALSE(window.IMCap.visible());
    window.ListChatContact.addItem("102");
    window.Command2.click();
    EXPECT_EQ(window.ListChatMsg.count(), 0);
    EXPECT_EQ(window.ListChatContact.count(), 0);
    window.Command3.click();
    EXPECT_EQ(platform.edited, (std::vector<std::filesystem::path>{root.dir / "bin/chatusers.txt"}));
}

TEST_F(ChatTest, ASenderIsShownByTheChatListNameOrItsFullAddressAndNeverAsMe) {
    root.write("bin/chatusers.txt", "1002 Anna Smith\r\n1009 Me\r\n1010 me: ok\r\nsupervisor Sue\r\n1011\r\n");
    struct Case {
        std::string sender, shown;
    };
    const Case cases[] = {
        {"1002", "Anna Smith: hello"},                  // a colleague by the list's name
        {"supervisor", "Sue: hello"},                   // own domain, through the proxy
        {"supervisor@evil.example", "supervisor@evil.example: hello"},
        {"Me@evil.example", "Me@evil.example: hello"},  // not the agent's own line
        {"1002@evil.example", "1002@evil.example: hello"},
        {"1009", "Me (1009): hello"},  // a colleague listed as "Me"
        {"1010", "\"me: ok (1010)\": hello"},
        {"1003", "1003: hello"},   // own domain, not listed
        {"1011", "1011: hello"},   // listed without a name
        {"Me", "\"Me\": hello"},   // an own-domain user part "Me"
        {"ME:", "\"ME:\": hello"},
        {" \xE2\x80\x8BMe", "\" \xE2\x80\x8BMe\": hello"},  // a zero-width space changes nothing
        {"Me: x@evil.example", "\"Me: x@evil.example\": hello"},
        {"Mei", "Mei: hello"},
        {"\x01Me", "\" Me\": hello"},                 // a control character shows as a blank
        {"M\xE2\x80\xAE" "e:", "\"Me:\": hello"},        // a direction control is not shown at all
    };
    std::string expectedLog;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sender);
        engine.raise().OnChatMessage(c.sender, "hello");
        EXPECT_EQ(window.ListChatMsg.lines().back(), c.shown);
        EXPECT_NE(window.ListChatMsg.lines().back().rfind("Me: ", 0), 0u);
        expectedLog += c.shown + "[0912_7:5]\r\n";
    }
    EXPECT_EQ(chatLog(), expectedLog);
    platform.active = false;
    engine.raise().OnChatMessage("Me@evil.example", "hi");
    EXPECT_EQ(platform.notifications, (Lines{"Chat message from Me@evil.example|hi"}));
}

TEST_F(ChatTest, TheChatLogCutsLongLinesAndStopsForTheDayWhenFull) {
    const std::string longText = std::string(993, 'x') + "\xC3\xA4\xC3\xA4yyyy";  // a cut inside "ä" is not made
    engine.raise().OnChatMessage("1001", longText);
    const std::string cut = "1001: " + std::string(993, 'x');
    EXPECT_EQ(chatLog(), cut + "[0912_7:5]\r\n");
    EXPECT_EQ(boundedLogLine("1001: " + longText, kMaxChatLogLineBytes).size(), 999u);
    EXPECT_EQ(boundedLogLine("a\x1b[2Jb\r\nc", 100), "a [2Jb  c");

    const std::string filler(kMaxChatLogBytes - 3000, 'f');
    root.write("logs/chat_log_091226.txt", filler);
    for (int i = 0; i < 10; ++i) {
        engine.raise().OnChatMessage("100" + std::to_string(i), std::string(900, 'm'));
        window.EditSendChatUserName.setText("1002");
        window.EditSendChatMsg.setText("short");
        window.BtnSendChatMsg.click();
    }
    const std::string log = chatLog();
    EXPECT_LE(log.size(), kMaxChatLogBytes);
    EXPECT_EQ(log.substr(log.size() - 25), "chat log full for today\r\n");
    EXPECT_EQ(log.find("chat log full"), log.rfind("chat log full"));  // said once
    EXPECT_EQ(window.ListChatMsg.count(), 21);                            // still shown
    platform.now.tm_mday = 10;                                            // a new day, a new file
    engine.raise().OnChatMessage("1002", "next day");
    EXPECT_EQ(root.read("logs/chat_log_101226.txt"), "1002: next day[1012_7:5]\r\n");
}

TEST_F(ChatTest, EachSenderIsHeldToItsMessagesAMinute) {
    const auto statusLines = [&] {
        Lines out;
        for (const auto& line : window.ListStatusLog.lines())
            if (line.find("Chat:") != std::string::npos) out.push_back(line);
        return out;
    };
    for (int i = 0; i < 30; ++i) engine.raise().OnChatMessage("flood@evil.example", "<b>x<");
    engine.raise().OnChatMessage("1002", "<b>still here<");
    EXPECT_EQ(window.ListChatMsg.count(), static_cast<int>(kMaxChatMessagesPerMinute) + 1);
    EXPECT_EQ(window.ListChatMsg.lines().back(), "1002: still here");
    EXPECT_EQ(statusLines(), (Lines{"Chat: more than 20 messages a minute from flood@evil.example; the rest of "
                                    "this minute's are dropped"}));
    loop.advance(30000);
    engine.raise().OnChatMessage("flood@evil.example", "<b>x<");
    EXPECT_EQ(statusLines().size(), 1u);  // one line a sender and minute
    loop.advance(30001);
    engine.raise().OnChatMessage("flood@evil.example", "<b>again<");
    EXPECT_EQ(window.ListChatMsg.lines().back(), "flood@evil.example: again");

    // Thousands of forged senders: the counts kept stay bounded, and the senders
    // past them share one count.
    window.ListChatMsg.clear();
    for (int i = 0; i < 5000; ++i) engine.raise().OnChatMessage("u" + std::to_string(i) + "@evil.example", "<b>x<");
    EXPECT_LE(window.ListChatMsg.count(), static_cast<int>(kMaxRateSenders + kMaxChatMessagesPerMinute));
}

}  // namespace
}  // namespace velmora::media
