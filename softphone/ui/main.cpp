#include "AgentDesk.h"
#include "CompactStyle.h"
#include "EngineFactory.h"
#include "Logging.h"
#include "MainWindow.h"
#include "ProgramWindows.h"
#include "QtPlatform.h"
#include "RemoteBus.h"
#include "StartupTrace.h"

#include "app/Program.h"
#include "calls/RecordingSave.h"
#include "core/AgentFiles.h"
#include "core/AppContext.h"
#include "core/Diagnostics.h"
#include "core/PopupMenu.h"
#include "core/InstanceLock.h"
#include "core/Shutdown.h"
#include "core/Startup.h"
#include "core/StatusLog.h"
#include "core/TextRules.h"
#include "loop/QtLoop.h"
#include "records/Deployment.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QIcon>
#include <QMessageBox>
#include <QSocketNotifier>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace velmora;

namespace {

// SIGTERM, SIGINT and SIGHUP only write a byte into this pipe; the event
// loop reads it and runs the program's own shutdown.
int signalPipe[2] = {-1, -1};

void onSignal(int) {
    const char byte = 1;
    [[maybe_unused]] const auto written = ::write(signalPipe[1], &byte, 1);
}

bool catchEndSignals() {
    if (::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) return false;
    struct sigaction action {};
    action.sa_handler = onSignal;
    ::sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) ::sigaction(signal, &action, nullptr);
    return true;
}

// The remote control of the whole window is for tests, demos and
// benchmarks: on only with --automation or VELMORA_AUTOMATION=1.
bool automationWanted(bool option) {
    const char* value = std::getenv("VELMORA_AUTOMATION");
    return option || (value && std::string(value) == "1");
}

// --records-migrate runs before Qt starts, so it needs no display: the install
// root comes from --root DIR or --root=DIR, else as usual.
std::optional<int> runRecordsMigration(int argc, char** argv) {
    bool wanted = false;
    std::string rootOption;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--records-migrate") == 0)
            wanted = true;
        else if (std::strcmp(argv[i], "--root") == 0 && i + 1 < argc)
            rootOption = argv[++i];
        else if (std::strncmp(argv[i], "--root=", 7) == 0)
            rootOption = argv[i] + 7;
    }
    if (!wanted) return std::nullopt;
    const core::InstallRoot root(core::InstallRoot::choose(rootOption));
    const auto error = records::migrateRecordStore(root);
    if (error.empty()) return 0;
    std::fprintf(stderr, "velmoraapp: %s\n", error.c_str());
    return 1;
}

// A start refused before the window is built: one line on stderr and, for an
// agent who started the program from the desktop, the same in a message box.
int refuseToStart(const std::string& reason) {
    std::fprintf(stderr, "velmoraapp: %s\n", reason.c_str());
    std::fflush(stderr);
    QMessageBox::critical(nullptr, QStringLiteral("Velmora Software"), QString::fromStdString(reason));
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    // Every file the program, liblinphone included, creates is the user's
    // alone: settings, logs, recordings and the engine's state hold secrets.
    ::umask(077);
    if (const auto migrated = runRecordsMigration(argc, argv)) return *migrated;
    // The embedded browser's sandbox refuses to run as root (CI, containers).
    if (::getuid() == 0) ::setenv("QTWEBENGINE_DISABLE_SANDBOX", "1", 0);
    // A quiet console: the browser engine logs only fatal errors, Qt's own
    // categories only warnings, and every line names the program.
    ::setenv("QTWEBENGINE_CHROMIUM_FLAGS", "--log-level=3", 0);
    qSetMessagePattern("velmoraapp: %{message}");
    QLoggingCategory::setFilterRules(
        "*.debug=false\n*.info=false\ndefault.warning=false\nqt.*.warning=false\njs=false\njs.*=false");
    core::setDiagnosticSink([](const std::string& text) { qCWarning(lcVelmora, "%s", text.c_str()); });
    ui::traceStartup("process");
    QApplication application(argc, argv);
    ui::traceStartup("Qt application");
    QApplication::setStyle(new ui::CompactStyle);
    QApplication::setApplicationName("velmoraapp");
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/velmoraapp.png")));
    QGuiApplication::setDesktopFileName(QStringLiteral("velmoraapp"));
    QApplication::setApplicationVersion(core::kVersionText);

    QCommandLineParser options;
    options.setApplicationDescription("Two-line SIP softphone for call-centre agents.");
    options.addHelpOption();
    options.addVersionOption();
    QCommandLineOption rootOption("root", "Install root (default $RINGVALE_ROOT, else ~/Ringvale).", "DIR");
    options.addOption(rootOption);
    QCommandLineOption automationOption(
        "automation", "Offer /Automation on the session bus (also VELMORA_AUTOMATION=1): tests and demos only.");
    options.addOption(automationOption);
    QCommandLineOption recordsMigrateOption(
        "records-migrate", "Create or upgrade the call-record tables of the CallRecordStore database, then exit.");
    options.addOption(recordsMigrateOption);
    options.process(application);

    const core::InstallRoot root(core::InstallRoot::choose(options.value(rootOption).toStdString()));
    const auto privacy = root.makePrivate();
    for (const auto& folder : privacy.made)
        core::diagnostic(folder.string() + " was open to other users; it is now the user's alone");
    if (!privacy.refusal.empty()) return refuseToStart(privacy.refusal);
    core::InstanceLock lock(root.dir());
    if (!lock.problem().empty()) return refuseToStart(lock.problem());

    loop::QtLoop loop;
    core::MainWindowModel model(loop);
    ui::traceStartup("application");
    ui::watchStartup(model);
    ui::MainWindow window(model);
    window.panelAuthorities = [&root] {
        const std::filesystem::path file = core::trimSpaces(root.deployment().get(core::keys::RootCA));
        return file.empty() || file.is_absolute() ? file : root.find("bin") / file;
    };
    ui::traceStartup("window built");
    ui::QtPlatform platform(&window);
    auto engine = ui::makeEngine(loop, root);
    core::AppContext app{model, *engine, loop, platform, root, {}};
    // Outlives the program below, whose call-end step writes into it.
    const auto recordStore =
        records::openRecordStore(root, loop, [&app](const std::string& text) { core::ShowStatus(app, text); });
    app.records = recordStore.get();

    app::Program program(app);
    platform.programWindows = [&app, &window](core::ProgramWindow which) {
        switch (which) {
        case core::ProgramWindow::CallLogs: ui::showCallLogViewer(&window, core::callLogFile(app)); break;
        case core::ProgramWindow::Recordings:
            ui::showRecordingsBrowser(&window, app.root.find("messages"), calls::unsavedRecordingsFolder(app));
            break;
        case core::ProgramWindow::About: ui::showAboutWindow(&window); break;
        }
    };
    window.onPopupChosen = [&app](bool fromBanner, int entry) {
        core::runPopupEntry(app, fromBanner ? core::MenuOrigin::Banner : core::MenuOrigin::StatusLog, entry);
    };
    core::loadWindow(app, !lock.acquired());
    ui::traceStartup("window loaded");
    ui::AgentDesk desk(app, window, platform);
    ui::traceStartup("agent desk");
    window.onCloseRequested = [&desk] { desk.closeRequested(); };
    std::unique_ptr<QSocketNotifier> endSignals;
    if (catchEndSignals()) {
        endSignals = std::make_unique<QSocketNotifier>(signalPipe[0], QSocketNotifier::Read);
        QObject::connect(endSignals.get(), &QSocketNotifier::activated, [&] {
            char drained[16];
            while (::read(signalPipe[0], drained, sizeof drained) > 0) {
            }
            if (app.state.shuttingDown) return;  // an end with its own status runs already
            platform.exitStatus = 0;
            core::shutdownProgram(app);
        });
    }
    window.show();
    ui::traceStartup("window shown");
    ui::publishRemoteBus(model, &window, automationWanted(options.isSet(automationOption)));
    return QApplication::exec();
}
