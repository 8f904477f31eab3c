#include "WebPanel.h"

#include "AppFixture.h"

#include <QUrl>
#include <QUrlQuery>

namespace velmora::core {
namespace {

struct WebPanelTest : testing::AppFixture {
    WebPanelTest() {
        root.write("bin/deployment.ini", "[Deployment]\r\nServiceDomain=voice.test\r\n");
        app.state.accountNumber = "7730";
    }
};

struct CredentialCase {
    const char* user;
    const char* password;
};

class WebPanelCredentials : public WebPanelTest, public ::testing::WithParamInterface<CredentialCase> {};

TEST_P(WebPanelCredentials, QueryKeepsOneItemPerKeyWithTheValueAsTyped) {
    window.Text2.setText(GetParam().user);
    window.Text3.setText(GetParam().password);
    const QUrl url(QString::fromStdString(activeExtensionsAddress(app, true)));
    ASSERT_TRUE(url.isValid());
    EXPECT_EQ(url.host().toStdString(), "pbx7730.voice.test");
    EXPECT_EQ(url.path().toStdString(), "/app/active_extensions/active_extensions.php");
    const QUrlQuery query(url);
    EXPECT_EQ(query.queryItems().size(), 2);
    EXPECT_EQ(query.allQueryItemValues("password", QUrl::FullyDecoded),
              QStringList{QString::fromStdString(GetParam().password)});
    EXPECT_EQ(query.allQueryItemValues("username", QUrl::FullyDecoded),
              QStringList{QString::fromStdString(GetParam().user)});
}

INSTANTIATE_TEST_SUITE_P(Values, WebPanelCredentials,
                         ::testing::Values(CredentialCase{"user", "a&b"}, CredentialCase{"u&password=x", "p#w?d"},
                                           CredentialCase{"100%", "a+b c=d"},
                                           CredentialCase{"agent", "pässwörd/\\\"'<>"}));

TEST_F(WebPanelTest, PlainValuesStayReadable) {
    window.Text2.setText(" user ");
    window.Text3.setText("pw");
    EXPECT_EQ(activeExtensionsAddress(app, true),
              "https://pbx7730.voice.test/app/active_extensions/active_extensions.php?username=user&password=pw");
    EXPECT_EQ(activeExtensionsAddress(app, false),
              "https://pbx7730.voice.test/app/active_extensions/active_extensions.php");
}

TEST_F(WebPanelTest, NoAddressFromAnAccountNumberOrDomainThatIsNotPlain) {
    for (const char* account : {"", "773", "77301", "77/0", "7@30", "a.bc", "77 0"}) {
        app.state.accountNumber = account;
        EXPECT_EQ(activeExtensionsAddress(app, false), "") << account;
    }
    app.state.accountNumber = "AB12";
    EXPECT_NE(activeExtensionsAddress(app, false), "");
    for (const char* domain : {"", "evil.example/x?", "a..b", ".voice.test", "voice.test@evil", "vo ice"}) {
        root.write("bin/deployment.ini", std::string("[Deployment]\r\nServiceDomain=") + domain + "\r\n");
        EXPECT_EQ(activeExtensionsAddress(app, false), "") << domain;
    }
}

TEST_F(WebPanelTest, APanelAddressOfTheDeploymentIsTakenWhenItIsPlainHttps) {
    struct Case {
        std::string panel, address;
    };
    const std::string page = "/app/active_extensions/active_extensions.php";
    for (const Case& c : {Case{"https://localhost:8443", "https://localhost:8443" + page},
                          Case{"https://127.0.0.1:8443/", "https://127.0.0.1:8443" + page},
                          Case{"https://[::1]", "https://[::1]" + page},
                          Case{"https://panel.voice.test", "https://panel.voice.test" + page},
                          Case{"http://localhost:8080", ""}, Case{"localhost:8443", ""},
                          Case{"https://user@evil.example", ""}, Case{"https://evil.example/x?", ""},
                          Case{"https://host:99999x", ""}, Case{"file:///etc/passwd", ""}}) {
        SCOPED_TRACE(c.panel);
        root.write("bin/deployment.ini", "[Deployment]\r\nServiceDomain=voice.test\r\nPanelAddress=" + c.panel + "\r\n");
        EXPECT_EQ(activeExtensionsAddress(app, false), c.address);
    }
}

TEST_F(WebPanelTest, TheBrowsersTextIsReadOutWithoutItsQueryValues) {
    window.Text2.setText("1001");
    window.Text3.setText("s3cret&x=1");
    window.WebBrowser1.navigate(activeExtensionsAddress(app, true));
    EXPECT_EQ(window.WebBrowser1.property("Text"),
              "https://pbx7730.voice.test/app/active_extensions/active_extensions.php?username=***&password=***");
    EXPECT_NE(window.WebBrowser1.address().find("s3cret"), std::string::npos);  // the browser still gets it
    for (const auto& [address, shown] : std::vector<std::pair<std::string, std::string>>{
             {"https://a.test/p", "https://a.test/p"},
             {"https://a.test/p?flag&k=v#frag", "https://a.test/p?flag&k=***"},
             {"https://a.test/?=x&&k=", "https://a.test/?=***&&k=***"}}) {
        EXPECT_EQ(redactedAddress(address), shown) << address;
    }
}

TEST(PercentEncoded, LeavesUnreservedAndEncodesEveryOtherByte) {
    EXPECT_EQ(percentEncoded("aZ09-._~"), "aZ09-._~");
    EXPECT_EQ(percentEncoded("a&b=c d+%"), "a%26b%3Dc%20d%2B%25");
    EXPECT_EQ(percentEncoded("\xC3\xA4\r\n"), "%C3%A4%0D%0A");
}

}  // namespace
}  // namespace velmora::core
