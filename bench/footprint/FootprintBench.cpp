// What the whole of velmoraapp costs an agent's machine, beside the figures of
// the landed program (whose browser engine started with the window):
//  - memory: the proportional set size (PSS, from /proc/PID/smaps_rollup) of
//    velmoraapp and of every process it started, online and idle, after 20
//    calls to a sipp customer, and after the Web page was opened once (the
//    panel's page served over https on loopback), with the main process's
//    share of Qt WebEngine's library, Mesa's LLVM, the heap and liblinphone;
//  - start-up: the velmora.startup milestones (milliseconds since the
//    process was started), the median of several starts.
// The real program on the current X server (run it under tests/with-desktop),
// on a private session bus, against Kamailio on loopback.
//
//   footprint_bench [--program PATH] [--runs N] [--calls N]
//
// --program measures another build of velmoraapp (an older one, for a before
// and after on the same machine and load).

#include "AppUnderTest.h"
#include "Kamailio.h"
#include "Sipp.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDir>
#include <QProcess>
#include <QRegularExpression>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>
#include <unistd.h>

using namespace velmora;

namespace {

constexpr const char* kCustomer = "5557654321";

// The landed program's figures (one agent online and idle against Kamailio).
constexpr double kRefWholeMiB = 287, kRefMainMiB = 189, kRefHelpersMiB = 98;
constexpr double kRefWebEngineMiB = 39, kRefLlvmMiB = 36, kRefHeapMiB = 20, kRefLinphoneMiB = 6;
const std::vector<std::pair<const char*, double>> kRefMilestones = {
    {"process", 81}, {"Qt application", 132}, {"application", -1}, {"window built", 325}, {"window shown", 329}};

std::string readText(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string loadAverage() {
    std::istringstream in(readText("/proc/loadavg"));
    std::string one, five, fifteen;
    in >> one >> five >> fifteen;
    return one + " " + five + " " + fifteen + " (" + std::to_string(::sysconf(_SC_NPROCESSORS_ONLN)) + " cores)";
}

// velmoraapp started as an agent starts it, in a session of its own so that
// every helper it starts is found and ended with it.
class Program {
public:
    Program(const QString& binary, const std::filesystem::path& root, const e2e::PrivateBus& bus, bool trace)
        : bus_(bus) {
        auto env = QProcessEnvironment::systemEnvironment();
        env.insert("DBUS_SESSION_BUS_ADDRESS", bus.address());
        env.insert("VELMORA_AUTOMATION", "1");
        env.remove("RINGVALE_ROOT");
        if (trace) env.insert("QT_LOGGING_RULES", "velmora.startup.debug=true");
        process_.setProcessEnvironment(env);
        process_.setProcessChannelMode(QProcess::MergedChannels);
        process_.setChildProcessModifier([] { ::setsid(); });
        process_.start(binary, {"--root", QString::fromStdString(root.string())});
        process_.waitForStarted();
        pid_ = process_.processId();
    }
    ~Program() {
        process_.kill();
        process_.waitForFinished(5000);
        if (pid_ > 0) ::kill(-static_cast<pid_t>(pid_), SIGKILL);
        e2e::eventually([] { return false; }, std::chrono::milliseconds(500));  // the bus name is let go
    }
    long pid() const { return static_cast<long>(pid_); }
    bool running() const { return process_.state() == QProcess::Running; }
    QString output() { return output_ += QString::fromUtf8(process_.readAll()); }

    QString call(const QString& method, const QList<QVariant>& args) {
        QDBusMessage msg =
            QDBusMessage::createMethodCall("net.velmora.Softphone", "/Automation", "net.velmora.Automation", method);
        msg.setArguments(args);
        const QDBusMessage reply = bus_.connection().call(msg, QDBus::Block, 5000);
        if (reply.type() == QDBusMessage::ErrorMessage) return "error: " + reply.errorMessage();
        if (reply.arguments().isEmpty()) return {};
        const QVariant first = reply.arguments().first();
        return first.canConvert<QStringList>() && first.typeId() == QMetaType::QStringList
                   ? first.toStringList().join('\n')
                   : first.toString();
    }
    QString get(const QString& control, const QString& property) { return call("Get", {control, property}); }
    void set(const QString& control, const QString& property, const QString& value) {
        call("Set", {control, property, value});
    }
    void click(const QString& control) { call("Click", {control}); }

    // A click on the Web page's entry in the page list, as the agent opens it.
    bool openWebPage() {
        const QStringList at = call("Where", {"pageList/Web"}).split(' ');
        if (at.size() != 5) return false;
        QProcess xdotool;
        xdotool.start("xdotool", {"mousemove", QString::number(at[0].toInt() + at[2].toInt() / 2),
                                  QString::number(at[1].toInt() + at[3].toInt() / 2), "click", "1"});
        return xdotool.waitForFinished(10000) && xdotool.exitCode() == 0;
    }

private:
    const e2e::PrivateBus& bus_;
    QProcess process_;
    qint64 pid_ = 0;
    QString output_;
};

// The process and every process it started, theirs included.
std::vector<long> processTree(long root) {
    std::multimap<long, long> children;
    for (const auto& entry : QDir("/proc").entryList(QDir::Dirs)) {
        bool numeric = false;
        const long pid = entry.toLong(&numeric);
        if (!numeric) continue;
        const std::string stat = readText("/proc/" + std::to_string(pid) + "/stat");
        const auto close = stat.rfind(')');
        if (close == std::string::npos) continue;
        char state = 0;
        long ppid = 0;
        if (std::sscanf(stat.c_str() + close + 1, " %c %ld", &state, &ppid) == 2 && state != 'Z')
            children.emplace(ppid, pid);
    }
    std::vector<long> tree{root};
    for (std::size_t i = 0; i < tree.size(); ++i) {
        const auto [from, to] = children.equal_range(tree[i]);
        for (auto it = from; it != to; ++it) tree.push_back(it->second);
    }
    return tree;
}

// A field of /proc/PID/smaps_rollup, in KiB.
long rollupKiB(long pid, const char* field) {
    std::istringstream in(readText("/proc/" + std::to_string(pid) + "/smaps_rollup"));
    const std::string name = std::string(field) + ":";
    for (std::string line; std::getline(in, line);)
        if (line.rfind(name, 0) == 0) return std::stol(line.substr(name.size()));
    return 0;
}

long pssKiB(long pid) { return rollupKiB(pid, "Pss"); }

// Pages no other process shares: PSS splits shared libraries' pages among all
// the processes that map them, so it falls when other Qt programs run beside.
long privateKiB(long pid) { return rollupKiB(pid, "Private_Clean") + rollupKiB(pid, "Private_Dirty"); }

std::string processName(long pid) {
    std::string name = readText("/proc/" + std::to_string(pid) + "/comm");
    if (!name.empty() && name.back() == '\n') name.pop_back();
    const std::string cmdline = readText("/proc/" + std::to_string(pid) + "/cmdline");
    const auto type = cmdline.find("--type=");
    // Chromium rewrites its helpers' command lines into one line.
    if (type != std::string::npos)
        name += " " + cmdline.substr(type + 7, cmdline.find_first_of(std::string(" \0", 2), type) - type - 7);
    return name;
}

// The main process's PSS in mappings whose name holds one of the parts.
std::map<std::string, long> pssOfMappings(long pid, const std::vector<std::string>& parts) {
    std::map<std::string, long> out;
    std::istringstream in(readText("/proc/" + std::to_string(pid) + "/smaps"));
    std::string current;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && std::isxdigit(static_cast<unsigned char>(line[0])) && line.find('-') < 17 &&
            line.find(" kB") == std::string::npos) {
            current.clear();
            for (const auto& part : parts)
                if (line.find(part) != std::string::npos) current = part;
        } else if (!current.empty() && line.rfind("Pss:", 0) == 0) {
            out[current] += std::stol(line.substr(4));
        }
    }
    return out;
}

double mib(long kib) { return kib / 1024.0; }

struct Footprint {
    long whole = 0, main = 0, priv = 0, mainRss = 0;
    std::vector<std::pair<std::string, long>> others;
    std::map<std::string, long> parts;
};

Footprint measure(long pid) {
    Footprint f;
    for (const long p : processTree(pid)) {
        const long pss = pssKiB(p);
        f.whole += pss;
        f.priv += privateKiB(p);
        if (p == pid)
            f.main = pss;
        else
            f.others.emplace_back(processName(p), pss);
    }
    f.mainRss = rollupKiB(pid, "Rss");
    f.parts = pssOfMappings(pid, {"libQt6WebEngineCore", "libLLVM", "[heap]", "liblinphone"});
    return f;
}

void printFootprint(const char* what, const Footprint& f, const char* reference, const char* goal) {
    std::printf("  %-34s %7.1f MiB   %-28s %s\n", what, mib(f.whole), reference, goal);
    std::printf("      private to the program's processes %.1f MiB; velmoraapp's RSS %.1f MiB\n", mib(f.priv),
                mib(f.mainRss));
    std::printf(
        "      velmoraapp %.1f MiB (Qt WebEngine's library %.1f, Mesa's LLVM %.1f, heap %.1f, liblinphone %.1f)\n",
        mib(f.main), mib(f.parts.count("libQt6WebEngineCore") ? f.parts.at("libQt6WebEngineCore") : 0),
        mib(f.parts.count("libLLVM") ? f.parts.at("libLLVM") : 0),
        mib(f.parts.count("[heap]") ? f.parts.at("[heap]") : 0),
        mib(f.parts.count("liblinphone") ? f.parts.at("liblinphone") : 0));
    if (f.others.empty()) std::printf("      no other process\n");
    for (const auto& [name, pss] : f.others) std::printf("      %-26s %.1f MiB\n", name.c_str(), mib(pss));
    std::fflush(stdout);
}

std::size_t lines(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return static_cast<std::size_t>(std::count(std::istreambuf_iterator<char>(in), {}, '\n'));
}

void settle(int ms) {
    e2e::eventually([] { return false; }, std::chrono::milliseconds(ms));
}

bool waitOnline(Program& app) {
    return e2e::eventually([&] { return !app.get("BtnOnline", "Caption").startsWith("error:"); },
                           std::chrono::seconds(30)) &&
           e2e::eventually([&] { return app.get("RegLight", "Caption") == "Registered"; }, std::chrono::seconds(30));
}

// The start-up milestones a traced start printed: name -> ms.
std::map<std::string, double> milestones(const QString& output) {
    std::map<std::string, double> out;
    static const QRegularExpression line(R"(velmoraapp:\s+([0-9.]+) ms  (.+))");
    for (const QString& text : output.split('\n')) {
        const auto m = line.match(text.trimmed());
        if (m.hasMatch() && !out.count(m.captured(2).toStdString()))
            out[m.captured(2).toStdString()] = m.captured(1).toDouble();
    }
    return out;
}

double median(std::vector<double> values) {
    if (values.empty()) return -1;
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    QString binary = VELMORAAPP_BINARY;
    int runs = 5, calls = 20;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        if (option == "--program") binary = argv[i + 1];
        if (option == "--runs") runs = std::max(1, std::atoi(argv[i + 1]));
        if (option == "--calls") calls = std::max(0, std::atoi(argv[i + 1]));
    }
    const std::string loadBefore = loadAverage();

    rig::Kamailio pbx({"pbx7730.test", {{"1001", "secret0001"}, {kCustomer, "customerpw"}}, 1});
    rig::Sipp customer({"uas_answer.xml", {}, kCustomer, "", calls * 10 + 120, std::max(calls, 1), {}});
    if (const auto error = rig::registerContact(pbx, kCustomer, "customerpw", customer.port()); !error.empty())
        return std::fprintf(stderr, "customer not registered: %s\n", error.c_str()), 1;
    e2e::PrivateBus bus;
    char name[] = "/tmp/velmora-footprint-bench-XXXXXX";
    const std::filesystem::path root = ::mkdtemp(name);
    e2e::writeAgentRoot(root, pbx.hostPort());

    // The panel's page, served over https on loopback by an authority of the
    // deployment's own (RootCA), so opening the Web page loads a real page.
    const auto pki = root / "panel-pki";
    rig::makeTestPki(pki);
    const auto site = root / "panel-site";
    std::filesystem::create_directories(site / "app/active_extensions");
    std::ofstream(site / "app/active_extensions/active_extensions.php")
        << "<html><body><h1>Active extensions</h1><table><tr><td>1001</td><td>Ann</td><td>idle</td></tr>"
           "<tr><td>1002</td><td>Bob</td><td>on a call</td></tr></table></body></html>";
    QProcess server;
    server.setWorkingDirectory(QString::fromStdString(site.string()));
    server.setProcessChannelMode(QProcess::MergedChannels);
    const int port = 20000 + static_cast<int>(::getpid() % 20000);
    server.start("openssl", {"s_server", "-accept", QString("127.0.0.1:%1").arg(port), "-cert",
                             QString::fromStdString((pki / "server.pem").string()), "-key",
                             QString::fromStdString((pki / "server.key").string()), "-WWW", "-quiet"});
    server.waitForStarted();
    std::ofstream(root / "bin/deployment.ini", std::ios::app)
        << "PanelAddress=https://localhost:" << port << "\r\nRootCA=" << (pki / "ca.pem").string() << "\r\n";

    std::printf("velmoraapp's footprint: %s\n", binary.toStdString().c_str());
    std::printf("load average before: %s\n\n", loadBefore.c_str());
    std::printf("Whole program, PSS of velmoraapp and every process it started:\n");
    std::printf("  %-34s %11s   %-28s %s\n", "", "now", "landed program", "goal");
    int result = 0;
    {
        Program app(binary, root, bus, false);
        if (!waitOnline(app)) {
            std::fprintf(stderr, "velmoraapp did not come online\n%s\n", app.output().toStdString().c_str());
            return 1;
        }
        settle(5000);  // the start-up timers, the panel's navigation and going online are over
        char reference[96];
        std::snprintf(reference, sizeof reference, "%.0f (%.0f + helpers %.0f)", kRefWholeMiB, kRefMainMiB,
                      kRefHelpersMiB);
        printFootprint("online and idle", measure(app.pid()), reference, "under 120 MiB");
        std::snprintf(reference, sizeof reference, "(library %.0f, LLVM %.0f, heap %.0f, linphone %.0f)",
                      kRefWebEngineMiB, kRefLlvmMiB, kRefHeapMiB, kRefLinphoneMiB);
        std::printf("      landed program's velmoraapp: %s\n", reference);

        const auto log = root / "logs/Ann_calllogs.csv";
        const std::size_t logged = lines(log);
        for (int i = 1; i <= calls; ++i) {
            app.set("EditPhoneNo", "Text", kCustomer);
            app.click("BtnDial");
            if (!e2e::eventually([&] { return app.get("StripState1", "Caption") == "Connected"; },
                                 std::chrono::seconds(15))) {
                std::fprintf(stderr, "call %d did not connect\n", i);
                result = 1;
                break;
            }
            app.click("BtnHangUp");
            if (!e2e::eventually([&] { return lines(log) == logged + i; }, std::chrono::seconds(15))) {
                std::fprintf(stderr, "call %d was not logged\n", i);
                result = 1;
                break;
            }
        }
        settle(3000);
        char what[64];
        std::snprintf(what, sizeof what, "after %d calls", calls);
        printFootprint(what, measure(app.pid()), "", "under 120 MiB");

        if (!app.openWebPage()) {
            std::fprintf(stderr, "the Web page could not be opened\n");
            result = 1;
        }
        // The page is in when a renderer runs and has had time to draw it.
        e2e::eventually(
            [&] {
                for (const long p : processTree(app.pid()))
                    if (processName(p).find("renderer") != std::string::npos) return true;
                return false;
            },
            std::chrono::seconds(30));
        settle(5000);
        printFootprint("after the Web page was opened once", measure(app.pid()), "", "(said, not a goal)");
    }

    std::printf("\nStart-up, ms since the process was started, median of %d starts (online root):\n", runs);
    std::map<std::string, std::vector<double>> seen;
    for (int run = 0; run < runs; ++run) {
        Program app(binary, root, bus, true);
        if (!e2e::eventually([&] { return app.output().contains("window shown"); }, std::chrono::seconds(30))) {
            std::fprintf(stderr, "start %d: no window\n%s\n", run + 1, app.output().toStdString().c_str());
            result = 1;
            continue;
        }
        waitOnline(app);  // the start's own work is over before the next one
        for (const auto& [milestone, ms] : milestones(app.output())) seen[milestone].push_back(ms);
    }
    std::printf("  %-16s %9s %9s %9s %15s\n", "", "median", "min", "max", "landed program");
    for (const auto& [milestone, reference] : kRefMilestones) {
        const auto& values = seen[milestone];
        const std::string ref = reference < 0 ? "" : std::to_string(static_cast<int>(reference));
        std::printf("  %-16s %9.1f %9.1f %9.1f %15s%s\n", milestone, median(values),
                    values.empty() ? -1 : *std::min_element(values.begin(), values.end()),
                    values.empty() ? -1 : *std::max_element(values.begin(), values.end()), ref.c_str(),
                    std::string(milestone) == "window shown" ? "   goal: under 200" : "");
    }
    std::printf("\nload average after: %s\n", loadAverage().c_str());
    server.kill();
    server.waitForFinished();
    std::filesystem::remove_all(root);
    return result;
}
