// Prints the CPU an idle online velmoraapp uses (user + system time of the
// process over a quiet stretch, as a share of one core): once with the
// line-status (1 s) and meter (20 ms) timers running, once with both stopped
// through the automation interface, so the timers' own share shows. Runs the
// real program under the current X server against Kamailio on loopback.

#include "AppUnderTest.h"
#include "Kamailio.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <unistd.h>

using namespace velmora;

namespace {

// utime + stime of a process, in seconds.
double cpuSeconds(qint64 pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    std::istringstream fields(text.substr(text.rfind(')') + 2));
    std::string field;
    unsigned long long utime = 0, stime = 0;
    for (int i = 3; i <= 15 && fields >> field; ++i) {
        if (i == 14) utime = std::stoull(field);
        if (i == 15) stime = std::stoull(field);
    }
    return double(utime + stime) / double(::sysconf(_SC_CLK_TCK));
}

double cpuShare(e2e::AppUnderTest& app, int seconds) {
    const double before = cpuSeconds(app.pid());
    QElapsedTimer clock;
    clock.start();
    e2e::eventually([&] { return clock.elapsed() >= seconds * 1000; }, std::chrono::seconds(seconds + 5));
    return (cpuSeconds(app.pid()) - before) / (clock.elapsed() / 1000.0) * 100.0;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    const int seconds = argc > 1 ? std::max(2, std::atoi(argv[1])) : 20;
    rig::Kamailio pbx({"pbx7730.test", {{"1001", "secret0001"}}, 1});
    e2e::PrivateBus bus;
    char name[] = "/tmp/velmora-idle-bench-XXXXXX";
    const std::filesystem::path root = ::mkdtemp(name);
    e2e::writeAgentRoot(root, pbx.hostPort());
    {
        e2e::AppUnderTest app(root, bus);
        if (!app.waitUntilReady() ||
            !e2e::eventually([&] { return app.get("autoCheck", "Enabled") == "True"; }, std::chrono::seconds(30))) {
            std::fprintf(stderr, "velmoraapp did not come online\n%s\n", app.output().toStdString().c_str());
            return 1;
        }
        e2e::eventually([] { return false; }, std::chrono::seconds(3));  // the start-up work settles
        const double withTimers = cpuShare(app, seconds);
        app.set("TimerTick", "Enabled", "False");
        app.set("TimerProgressBar", "Enabled", "False");
        const double without = cpuShare(app, seconds);
        std::printf("idle online window, CPU of one core over %d s:\n", seconds);
        std::printf("  line-status and meter timers running  %6.2f %%\n", withTimers);
        std::printf("  both timers stopped                   %6.2f %%\n", without);
        std::printf("  the timers' share                     %6.2f %%   (goal: the window under 1 %%)\n",
                    withTimers - without);
    }
    std::filesystem::remove_all(root);
    return 0;
}
