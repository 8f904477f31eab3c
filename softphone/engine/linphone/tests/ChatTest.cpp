#include "EngineRig.h"

namespace velmora::engine::testing {
namespace {

using Chat = EngineTest;

// Texts that must arrive exactly as sent, whatever they hold.
struct ChatCase {
    const char* name;
    std::string text;
};

std::vector<ChatCase> chatCases() {
    std::string long10k;
    for (int i = 0; long10k.size() < 10000; ++i) long10k += std::to_string(i % 10);
    return {
        {"plain", "Customer on line 2 wants a supervisor"},
        {"utf-8", "Grüße, Łódź, 東京, emoji 😀"},
        {"markup", "<b>bold</b> & <script>alert('x')</script> \"quoted\""},
        {"control characters", "tab\there\r\nnext line\x01\x07 end"},
        {"10,000 characters", long10k},
    };
}

TEST_F(Chat, MessagesGoBothWaysThroughTheProxyExactlyAsSent) {
    Agent& ann = agent("1001", "secret1");
    Agent& bob = agent("1002", "secret2");
    ASSERT_TRUE(online(ann));
    ASSERT_TRUE(online(bob));

    const auto cases = chatCases();
    for (std::size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(cases[i].name);
        // Surrounding blanks of the recipient are not part of its name.
        ASSERT_TRUE(ann.engine->SendChatMessage(" 1002 ", cases[i].text, 101, 0)) << ann.engine->GetLastEngineError();
        ASSERT_TRUE(waitFor([&] { return bob.log.chatMessages.size() > i; })) << bob.log.text();
        EXPECT_EQ(bob.log.chatMessages[i].first, "1001");
        EXPECT_EQ(bob.log.chatMessages[i].second, cases[i].text);
    }
    ASSERT_TRUE(bob.engine->SendChatMessage("1001", "Right away", 101, 0));
    ASSERT_TRUE(waitFor([&] { return !ann.log.chatMessages.empty(); })) << ann.log.text();
    EXPECT_EQ(ann.log.chatMessages[0], std::make_pair(std::string("1002"), std::string("Right away")));
    settle(200);
    EXPECT_EQ(bob.log.chatMessages.size(), cases.size());  // each once
    EXPECT_EQ(ann.log.chatMessages.size(), 1u);
}

TEST_F(Chat, ReceivedMessagesAreNotKeptInTheEngineDatabase) {
    Agent& ann = agent("1001", "secret1");
    Agent& bob = agent("1002", "secret2");
    ASSERT_TRUE(online(ann));
    ASSERT_TRUE(online(bob));
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(ann.engine->SendChatMessage("1002", "marker-" + std::to_string(i) + "-kept-nowhere", 101, 0));
        ASSERT_TRUE(waitFor([&] { return bob.log.chatMessages.size() > std::size_t(i); })) << bob.log.text();
    }
    settle(500);
    for (const auto& entry : std::filesystem::recursive_directory_iterator(bob.state.path()))
        if (entry.is_regular_file()) {
            EXPECT_EQ(rig::readFile(entry.path()).find("-kept-nowhere"), std::string::npos) << entry.path();
        }
}

TEST_F(Chat, EmptyMessageArrivesEmpty) {
    Agent& ann = agent("1001", "secret1");
    Agent& bob = agent("1002", "secret2");
    ASSERT_TRUE(online(ann));
    ASSERT_TRUE(online(bob));
    ASSERT_TRUE(ann.engine->SendChatMessage("1002", "", 101, 0));
    ASSERT_TRUE(waitFor([&] { return !bob.log.chatMessages.empty(); })) << bob.log.text();
    EXPECT_EQ(bob.log.chatMessages[0], std::make_pair(std::string("1001"), std::string()));
}

TEST_F(Chat, RecipientsThatAreNoAccountNameAreRefusedWith22) {
    Agent& ann = agent("1001", "secret1");
    EXPECT_FALSE(ann.engine->SendChatMessage("1002", "hi", 101, 0));
    EXPECT_EQ(ann.engine->GetLastEngineError(), kNotOnline);
    ASSERT_TRUE(start(ann));
    for (const char* recipient : {"", "   ", "10 02", "a<b"}) {
        SCOPED_TRACE(recipient);
        EXPECT_FALSE(ann.engine->SendChatMessage(recipient, "hi", 101, 0));
        EXPECT_EQ(ann.engine->GetLastEngineError(), kInvalidUri);
    }
}

}  // namespace
}  // namespace velmora::engine::testing
