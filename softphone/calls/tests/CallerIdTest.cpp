#include "calls/CallerId.h"

#include "app/Program.h"

#include "AppFixture.h"

#include <cstdlib>
#include <sys/stat.h>

namespace velmora::calls {
namespace {

using Lines = std::vector<std::string>;

// The session's runtime folder, private to the test.
struct RuntimeFolder {
    core::testing::TempRoot dir;
    std::string saved;
    bool had = false;
    explicit RuntimeFolder(std::filesystem::perms mode = std::filesystem::perms::owner_all) {
        if (const char* old = std::getenv("XDG_RUNTIME_DIR")) saved = old, had = true;
        std::filesystem::permissions(dir.dir, mode);
        ::setenv("XDG_RUNTIME_DIR", dir.dir.c_str(), 1);
    }
    std::size_t pages() const {
        std::size_t n = 0;
        for (const auto& e : std::filesystem::directory_iterator(dir.dir)) n += e.path().extension() == ".html";
        return n;
    }
    ~RuntimeFolder() {
        if (had)
            ::setenv("XDG_RUNTIME_DIR", saved.c_str(), 1);
        else
            ::unsetenv("XDG_RUNTIME_DIR");
    }
};

struct CallerIdTest : core::testing::AppFixture {
    app::Program program{app};
    struct Opened {
        std::filesystem::path file;
        std::string content;
        unsigned mode = 0;
    };
    std::vector<Opened> opened;
    CallerIdTest() {
        window.webtimer.setEnabled(false);
        root.write("bin/deployment.ini", "[Deployment]\r\nCrmHost=crm.example.test\r\n");
        window.LMUsetTxt.setText("ann smith");
        window.LMPassTxt.setText("p&w=1\"<x>' secret");
        window.LMWorkGroupTxT.setText("sales");
        platform.onOpenFile = [this](const std::filesystem::path& file) {
            struct stat st {};
            ::stat(file.c_str(), &st);
            opened.push_back({file, core::readWholeFile(file).value_or("<missing>"), st.st_mode & 07777u});
        };
    }
    void handOver(const std::string& number) {
        window.CIDTxt.setText(number);
        window.CIDPush.click();
    }
};

TEST_F(CallerIdTest, TheCrmGetsAPrivatePageThatPostsTheValuesAndIsGoneAfterTheWait) {
    RuntimeFolder runtime;
    const auto started = loop.tickCount();
    handOver(" 1&u=x ");
    EXPECT_GE(loop.tickCount() - started, 5000u);
    ASSERT_EQ(opened.size(), 1u);
    const auto& page = opened.front();
    EXPECT_EQ(page.file.parent_path(), runtime.dir.dir);
    EXPECT_EQ(page.mode, 0600u);
    // What reaches the opener's command line is the file's name alone.
    EXPECT_EQ(page.file.string().find("secret"), std::string::npos);
    EXPECT_TRUE(platform.openedUrls.empty());
    EXPECT_EQ(page.content,
              "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><meta name=\"referrer\" content=\"no-referrer\">"
              "<title>Customer record</title></head>\n<body onload=\"document.forms[0].submit()\">\n"
              "<form method=\"post\" action=\"https://crm.example.test/lm_sp.asp\">\n"
              "<input type=\"hidden\" name=\"u\" value=\"ann smith\">\n"
              "<input type=\"hidden\" name=\"p\" value=\"p&amp;w=1&quot;&lt;x&gt;&#39; secret\">\n"
              "<input type=\"hidden\" name=\"w\" value=\"sales\">\n"
              "<input type=\"hidden\" name=\"phone\" value=\"1&amp;u=x\">\n"
              "<noscript><button type=\"submit\">Open the customer record</button></noscript>\n"
              "</form></body></html>\n");
    EXPECT_FALSE(std::filesystem::exists(page.file));
    EXPECT_EQ(runtime.pages(), 0u);
    EXPECT_EQ(window.CIDTxt.text(), "");
    EXPECT_TRUE(window.CIDPush.enabled());
}

TEST_F(CallerIdTest, ARuntimeFolderOthersCanEnterIsPassedOverForTheDataLinkFolder) {
    RuntimeFolder runtime(std::filesystem::perms(0755));
    handOver("5557654321");
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened.front().file.parent_path(), root.dir / "datalink");
    EXPECT_EQ(opened.front().mode, 0600u);
    EXPECT_FALSE(std::filesystem::exists(opened.front().file));
}

TEST_F(CallerIdTest, APlainHttpCrmGetsNothingAndTheStatusSaysWhy) {
    RuntimeFolder runtime;
    root.write("bin/deployment.ini", "[Deployment]\r\nCrmHost=http://crm.example.test\r\n");
    handOver("5557654321");
    EXPECT_TRUE(opened.empty());
    EXPECT_TRUE(platform.openedUrls.empty());
    EXPECT_EQ(window.ListStatusLog.lines().back(),
              "Caller ID: CrmHost is not https; the CRM password is sent over https only");
    EXPECT_EQ(runtime.pages(), 0u);
    EXPECT_TRUE(window.CIDPush.enabled());
}

TEST(CrmAction, TakesAPlainHttpsHostOnly) {
    struct Case {
        std::string host, action;
    };
    for (const Case& c : {Case{"crm.example.test", "https://crm.example.test/lm_sp.asp"},
                          Case{"https://crm:8443/", "https://crm:8443/lm_sp.asp"},
                          Case{"[::1]:8443", "https://[::1]:8443/lm_sp.asp"}, Case{"http://crm:8080/", ""},
                          Case{"evil.test/x?y=", ""}, Case{"user@crm", ""}, Case{"crm\"><script>", ""}, Case{"", ""}}) {
        SCOPED_TRACE(c.host);
        EXPECT_EQ(crmAction(c.host), c.action);
    }
}

}  // namespace
}  // namespace velmora::calls
