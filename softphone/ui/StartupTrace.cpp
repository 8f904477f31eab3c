#include "StartupTrace.h"

#include <QLoggingCategory>

#include <ctime>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

Q_LOGGING_CATEGORY(lcStartup, "velmora.startup", QtWarningMsg)

namespace velmora::ui {
namespace {

// Milliseconds since the kernel started this process.
double sinceProcessStart() {
    std::ifstream stat("/proc/self/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    const auto close = text.rfind(')');
    if (close == std::string::npos) return -1;
    std::istringstream fields(text.substr(close + 2));
    std::string field;
    for (int i = 3; i <= 22 && fields >> field; ++i) {
    }
    const double startTicks = std::stod(field);
    timespec now{};
    clock_gettime(CLOCK_BOOTTIME, &now);
    return now.tv_sec * 1000.0 + now.tv_nsec / 1e6 - startTicks * 1000.0 / sysconf(_SC_CLK_TCK);
}

}  // namespace

void traceStartup(const char* milestone) {
    if (lcStartup().isDebugEnabled()) qCDebug(lcStartup, "%8.1f ms  %s", sinceProcessStart(), milestone);
}

void watchStartup(core::MainWindowModel& model) {
    if (!lcStartup().isDebugEnabled()) return;
    model.WebBrowser1.observe([&model] { traceStartup("web panel"); });
    model.OnLineTimer.observe([&model] {
        traceStartup(model.OnLineTimer.enabled() ? "online timer set" : "online timer ticked");
    });
    model.ListStatusLog.observe([&model] {
        const auto& lines = model.ListStatusLog.lines();
        if (!lines.empty() && lines.back() == "Registering to SIP Proxy.") traceStartup("registering");
    });
    model.BtnOnline.observe([&model] {
        if (model.BtnOnline.caption() == "Offline") traceStartup("online");
    });
    model.ListStatusLog.observe([&model] {
        const auto& lines = model.ListStatusLog.lines();
        static bool seen = false;
        if (!seen && !lines.empty() && lines.back() == "Registered successfully.") {
            seen = true;
            traceStartup("registered");
        }
    });
}

}  // namespace velmora::ui
