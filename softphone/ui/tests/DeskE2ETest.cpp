// The agent's desk driven through the real widgets (xdotool under the
// tests' X server): the call strip, the hotkeys with another program in
// front, the tray menu and the offered call's notification (stand-ins for
// the desktop's tray host and notification service on the private bus), the
// call history, and a screenshot of every page at 1024 x 768 for the guide.
#include "AppUnderTest.h"

#include "Kamailio.h"
#include "Sipp.h"

#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRect>
#include <QThread>
#include <gtest/gtest.h>

#include <fstream>
#include <regex>

namespace velmora::e2e {

// The freedesktop notification service as a stand-in: records what is
// shown and raises ActionInvoked when the test picks an action.
class NotificationService : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    struct Shown {
        uint id;
        QString summary, body;
        QStringList actions;
    };
    std::vector<Shown> shown;

public slots:
    uint Notify(const QString&, uint, const QString&, const QString& summary, const QString& body,
                const QStringList& actions, const QVariantMap&, int) {
        shown.push_back({static_cast<uint>(shown.size() + 41), summary, body, actions});
        return shown.back().id;
    }
    QStringList GetCapabilities() { return {"actions", "body"}; }
    void CloseNotification(uint) {}
};

// The tray host's watcher (StatusNotifierWatcher): remembers who registered
// an item, so the test can open that item's menu as a tray host would.
class TrayWatcher : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ hostRegistered)
    Q_PROPERTY(int ProtocolVersion READ protocolVersion)
    Q_PROPERTY(QStringList RegisteredStatusNotifierItems READ items)
public:
    QStringList registered;  // the items' owners on the bus
    bool hostRegistered() const { return true; }
    int protocolVersion() const { return 0; }
    QStringList items() const { return registered; }

public slots:
    void RegisterStatusNotifierItem(const QString&) { registered << message().service(); }
    void RegisterStatusNotifierHost(const QString&) {}
signals:
    void StatusNotifierItemRegistered(const QString&);
    void StatusNotifierHostRegistered();
};

namespace {

constexpr const char* kCustomer = "5557654321";

QString runTool(const QString& program, const QStringList& arguments, const QString& busAddress = {}) {
    QProcess tool;
    if (!busAddress.isEmpty()) {
        auto env = QProcessEnvironment::systemEnvironment();
        env.insert("DBUS_SESSION_BUS_ADDRESS", busAddress);
        tool.setProcessEnvironment(env);
    }
    tool.setProcessChannelMode(QProcess::MergedChannels);
    tool.start(program, arguments);
    tool.waitForFinished(10000);
    return QString::fromUtf8(tool.readAllStandardOutput()).trimmed();
}

// The far end saw its INVITE answered.
bool answered(const std::string& messages) {
    return std::regex_search(messages, std::regex("SIP/2.0 200 OK[^]*?CSeq: 1 INVITE", std::regex::icase));
}

std::string readText(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void pause(int ms) {
    eventually([] { return false; }, std::chrono::milliseconds(ms));
}

struct DeskE2E : ::testing::Test {
    std::filesystem::path root;
    rig::Kamailio pbx{{"pbx7730.test", {{"1001", "secret0001"}, {kCustomer, "customerpw"}}, 1}};
    std::unique_ptr<rig::Sipp> customer;
    PrivateBus bus;
    NotificationService notifications;
    TrayWatcher tray;
    std::unique_ptr<AppUnderTest> app;
    QString window;

    DeskE2E() {
        char name[] = "/tmp/velmora-desk-XXXXXX";
        root = ::mkdtemp(name);
        writeAgentRoot(root, pbx.hostPort());
        // The desktop's services, there before the program starts (Qt looks
        // for a tray host once, at start).
        auto c = bus.connection();
        c.registerObject("/org/freedesktop/Notifications", &notifications, QDBusConnection::ExportAllSlots);
        c.registerService("org.freedesktop.Notifications");
        c.registerObject("/StatusNotifierWatcher", &tray,
                         QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllProperties |
                             QDBusConnection::ExportAllSignals);
        c.registerService("org.kde.StatusNotifierWatcher");
    }
    ~DeskE2E() override {
        app.reset();
        std::filesystem::remove_all(root);
    }

    void customerPlays(const std::string& scenario) {
        customer = std::make_unique<rig::Sipp>(rig::Sipp::Setup{scenario, {}, kCustomer, "", 60});
        ASSERT_EQ(rig::registerContact(pbx, kCustomer, "customerpw", customer->port()), "");
    }
    std::unique_ptr<rig::Sipp> callerCalls(const std::string& talkMs) {
        return std::make_unique<rig::Sipp>(rig::Sipp::Setup{
            "uac_call_agent.xml",
            {{"DOMAIN", "pbx7730.test"}, {"CALLER", "5550199"}, {"CALLER_NAME", "Zoe <b>Q</b>"}, {"TALK_MS", talkMs}},
            "1001",
            pbx.hostPort()});
    }

    void startRegistered() {
        app = std::make_unique<AppUnderTest>(root, bus);
        ASSERT_TRUE(app->waitUntilReady()) << app->output().toStdString();
        ASSERT_TRUE(eventually([&] { return app->get("RegLight", "Caption") == "Registered"; },
                               std::chrono::seconds(30)))
            << app->output().toStdString();
        // The main window: the program's visible window that shows the customer number.
        ASSERT_TRUE(eventually([&] {
            window = runTool("xdotool", {"search", "--onlyvisible", "--pid", QString::number(app->pid()), "--name",
                                         "Customer Number"})
                         .section('\n', 0, 0);
            return !window.isEmpty();
        })) << app->get("Form", "Caption").toStdString();
        runTool("xdotool", {"windowsize", window, "1024", "768"});
        runTool("xdotool", {"windowmove", window, "0", "0"});
        pause(500);
    }

    // Where a widget is on the screen ("x y w h shown"), from the program.
    QStringList where(const QString& widget) {
        QDBusInterface automation("net.velmora.Softphone", "/Automation", "net.velmora.Automation",
                                  bus.connection());
        QDBusReply<QString> reply = automation.call("Where", widget);
        return reply.isValid() ? reply.value().split(' ') : QStringList();
    }
    bool click(const QString& widget) {
        const QStringList at = where(widget);
        if (at.size() != 5) return false;
        const int x = at[0].toInt() + at[2].toInt() / 2, y = at[1].toInt() + at[3].toInt() / 2;
        runTool("xdotool", {"mousemove", QString::number(x), QString::number(y), "click", "1"});
        pause(200);
        return true;
    }
    void typeInto(const QString& widget, const QString& text) {
        runTool("xdotool", {"windowfocus", "--sync", window});
        ASSERT_TRUE(click(widget)) << widget.toStdString();
        runTool("xdotool", {"type", "--delay", "40", text});
    }
    void key(const QString& keys) { runTool("xdotool", {"key", "--clearmodifiers", keys}); }
    QString state(int line) { return app->get(QString("StripState%1").arg(line), "Caption"); }
    std::string statusLines() { return app->items("ListStatusLog").join("|").toStdString(); }
};

TEST_F(DeskE2E, EnterDialsThenTheStripHoldsResumesAndHangsUpTheCall) {
    customerPlays("uas_hold.xml");
    startRegistered();
    typeInto("EditPhoneNo", kCustomer);
    key("Return");
    ASSERT_TRUE(eventually([&] { return state(1) == "Connected"; })) << statusLines();
    EXPECT_EQ(app->get("StripCaller1", "Caption").toStdString(), kCustomer);
    EXPECT_EQ(state(2), "Free");
    ASSERT_TRUE(eventually([&] { return app->get("StripTime1", "Caption") == "0:02"; }));

    ASSERT_TRUE(click("StripHold1"));
    ASSERT_TRUE(eventually([&] { return state(1) == "On hold"; })) << statusLines();
    EXPECT_TRUE(eventually([&] { return std::regex_search(customer->messages(), std::regex("a=(sendonly|inactive)")); }))
        << customer->messages();
    EXPECT_EQ(app->get("StripHold1", "Caption"), "Unhold");
    ASSERT_TRUE(click("StripHold1"));
    ASSERT_TRUE(eventually([&] { return state(1) == "Connected"; })) << statusLines();

    ASSERT_TRUE(click("StripHangUp1"));
    EXPECT_TRUE(eventually([&] { return state(1) == "Ended: you hung up"; })) << state(1).toStdString();
    EXPECT_TRUE(eventually([&] { return state(1) == "Free"; }, std::chrono::seconds(8))) << "the outcome clears";
    EXPECT_EQ(customer->wait(std::chrono::seconds(10)), 0) << customer->report();
    EXPECT_NE(customer->messages().find("BYE sip:"), std::string::npos);
    EXPECT_NE(readText(root / "logs/Ann_calllogs.csv").find(",\"hang up\"\r\n"), std::string::npos);
}

TEST_F(DeskE2E, TheAnswerHotkeyAnswersWhileAnotherProgramHasTheFocus) {
    startRegistered();
    QProcess other;
    other.start("xmessage", {"-name", "otherprogram", "another program"});
    QString otherWindow;
    ASSERT_TRUE(eventually([&] {
        otherWindow = runTool("xdotool", {"search", "--onlyvisible", "--classname", "otherprogram"}).section('\n', 0, 0);
        return !otherWindow.isEmpty();
    }));
    auto caller = callerCalls("1500");
    ASSERT_TRUE(eventually([&] { return state(1).startsWith("Ringing"); })) << statusLines();
    EXPECT_EQ(app->get("StripCaller1", "Caption"), "Zoe <b>Q</b> - 5550199") << "shown as text, never as markup";
    runTool("xdotool", {"windowfocus", "--sync", otherWindow});
    ASSERT_EQ(runTool("xdotool", {"getwindowfocus"}), otherWindow);
    key("ctrl+alt+a");
    ASSERT_TRUE(eventually([&] { return state(1) == "Connected"; })) << statusLines();
    EXPECT_EQ(runTool("xdotool", {"getwindowfocus"}), otherWindow) << "the other program keeps the focus";
    EXPECT_EQ(caller->wait(std::chrono::seconds(15)), 0) << caller->report();
    EXPECT_TRUE(answered(caller->messages())) << caller->messages();
    EXPECT_TRUE(eventually([&] { return state(1) == "Ended: caller hung up"; })) << state(1).toStdString();
    other.kill();
    other.waitForFinished();
}

TEST_F(DeskE2E, AnswerFromTheTrayMenuAndFromTheNotification) {
    startRegistered();
    ASSERT_TRUE(eventually([&] { return !tray.registered.isEmpty(); })) << "the tray icon registered its item";
    const QString item = tray.registered.front();

    // The notification's Answer takes that call.
    auto first = callerCalls("1000");
    ASSERT_TRUE(eventually([&] { return !notifications.shown.empty(); })) << statusLines();
    const auto shown = notifications.shown.back();
    EXPECT_EQ(shown.summary, "Incoming call");
    EXPECT_TRUE(shown.actions.contains("answer") && shown.actions.contains("reject")) << shown.actions.join(",").toStdString();
    EXPECT_FALSE(shown.body.contains("<b>")) << shown.body.toStdString();
    QDBusMessage invoked = QDBusMessage::createSignal("/org/freedesktop/Notifications",
                                                      "org.freedesktop.Notifications", "ActionInvoked");
    invoked << shown.id << QString("answer");
    bus.connection().send(invoked);
    ASSERT_TRUE(eventually([&] { return state(1) == "Connected"; })) << statusLines();
    EXPECT_EQ(first->wait(std::chrono::seconds(15)), 0) << first->report();
    EXPECT_TRUE(answered(first->messages())) << first->messages();
    ASSERT_TRUE(eventually([&] { return state(1) == "Free"; }, std::chrono::seconds(10)));

    // The tray menu's Answer, picked as a tray host picks it (dbusmenu Event).
    auto second = callerCalls("1000");
    ASSERT_TRUE(eventually([&] { return state(1).startsWith("Ringing"); })) << statusLines();
    const QString layout = runTool("dbus-send", {"--print-reply", "--dest=" + item, "/MenuBar",
                                                 "com.canonical.dbusmenu.GetLayout", "int32:0", "int32:-1",
                                                 "array:string:label"},
                                   bus.address());
    // Each entry is a struct opening with its id; the one labelled Answer is picked.
    QString answerId;
    for (const QString& entry : layout.split("struct {").mid(1)) {
        const QString id = entry.section("int32 ", 1, 1).section('\n', 0, 0).trimmed();
        if (entry.section("struct {", 0, 0).contains("string \"Answer\"") && answerId.isEmpty()) answerId = id;
    }
    ASSERT_FALSE(answerId.isEmpty()) << layout.toStdString();
    const QString sent = runTool("dbus-send", {"--print-reply", "--dest=" + item, "/MenuBar", "com.canonical.dbusmenu.Event",
                          "int32:" + answerId, "string:clicked", "variant:int32:0",
                          "uint32:0"},
            bus.address());
    ASSERT_TRUE(eventually([&] { return state(1) == "Connected"; })) << statusLines() << sent.toStdString();
    EXPECT_EQ(second->wait(std::chrono::seconds(15)), 0) << second->report();
    EXPECT_TRUE(answered(second->messages())) << second->messages();
}

TEST_F(DeskE2E, TheHistoryIsSearchedAndItsEnterRedials) {
    std::filesystem::create_directories(root / "logs");
    std::ofstream(root / "logs/Ann_calllogs.csv", std::ios::binary)
        << "\"5550001111\",\"Ann\",\"30\",\"09:00:00\",\"12/8/2026\",\"hang up\"\r\n"
        << "\"" << kCustomer << "\",\"Ann\",\"12\",\"10:00:00\",\"12/9/2026\",\"\"\r\n";
    customerPlays("uas_answer.xml");
    startRegistered();
    ASSERT_TRUE(click("pageList/History"));
    typeInto("historySearch", "76543");
    key("Return");
    ASSERT_TRUE(eventually([&] { return customer->messages().find("INVITE sip:5557654321@") != std::string::npos; }))
        << statusLines();
    ASSERT_TRUE(eventually([&] { return state(1) == "Connected"; })) << statusLines();
    key("ctrl+alt+h");  // the hang-up hotkey, in the window
    EXPECT_EQ(customer->wait(std::chrono::seconds(10)), 0) << customer->report();
    EXPECT_NE(customer->messages().find("BYE sip:"), std::string::npos);
    EXPECT_EQ(customer->messages().find("5550001111"), std::string::npos) << "only the match was dialled";
}

// Every page's entry is in sight at 1024 x 768 without scrolling; each page
// is photographed for the agent guide, with a call in the strip.
TEST_F(DeskE2E, EveryPageIsInSightAtTenTwentyFourByTheSevenSixtyEight) {
    customerPlays("uas_answer.xml");
    startRegistered();
    ASSERT_TRUE(click("expChk"));  // the Key Pad box brings the pad's page
    typeInto("EditPhoneNo", kCustomer);
    key("Return");
    ASSERT_TRUE(eventually([&] { return state(1) == "Connected"; })) << statusLines();
    const QString title = runTool("xdotool", {"getwindowname", window});
    EXPECT_FALSE(title.contains("secret0001")) << "the provisioning code is masked";
    const std::filesystem::path docs = VELMORA_DOCS_DIR;
    const std::pair<const char*, const char*> pages[] = {
        {"Key Pad", "keypad"},   {"Lines", "lines"}, {"Chat", "chat"}, {"Account", "account"},
        {"Options", "options"},  {"Audio", "audio"}, {"Messages", "messages"}, {"Agents", "agents"},
        {"Record & Transfer", "record-transfer"}, {"History", "history"}, {"Web", "web"}};
    for (const auto& [page, file] : pages) {
        // The web panel's page loads last: the window is photographed for the README before.
        if (std::string(page) == "Web") {
            ASSERT_TRUE(click("pageList/Lines"));
            pause(300);
            runTool("import", {"-window", window, QString::fromStdString((docs / "velmoraapp.png").string())});
        }
        const QStringList at = where(QString("pageList/") + page);
        ASSERT_EQ(at.size(), 5) << page << " has no entry in the page list";
        EXPECT_EQ(at[4], "1") << page << " is not in sight without scrolling";
        ASSERT_TRUE(click(QString("pageList/") + page));
        // The embedded browser starts its processes on its first page: give it time.
        pause(std::string(page) == "Web" ? 4000 : 400);
        const std::string shot = (docs / (std::string("page-") + file + ".png")).string();
        // The screen's part the window covers (it stands at 0,0): reading the
        // browser's own window directly can stall the X server's reply.
        runTool("import", {"-window", "root", "-crop", "1024x768+0+0", QString::fromStdString(shot)});
        EXPECT_TRUE(std::filesystem::exists(shot)) << shot;
    }
    ASSERT_TRUE(click("StripHangUp1"));
    EXPECT_EQ(customer->wait(std::chrono::seconds(10)), 0) << customer->report();
}

}  // namespace
}  // namespace velmora::e2e

#include "DeskE2ETest.moc"
