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
              "http://pbx7730.voice.test/app/active_extensions/active_extensions.php?username=user&password=pw");
    EXPECT_EQ(activeExtensionsAddress(app, false),
              "http://pbx7730.voice.test/app/active_extensions/active_extensions.php");
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

TEST(PercentEncoded, LeavesUnreservedAndEncodesEveryOtherByte) {
    EXPECT_EQ(percentEncoded("aZ09-._~"), "aZ09-._~");
    EXPECT_EQ(percentEncoded("a&b=c d+%"), "a%26b%3Dc%20d%2B%25");
    EXPECT_EQ(percentEncoded("\xC3\xA4\r\n"), "%C3%A4%0D%0A");
}

}  // namespace
}  // namespace velmora::core
