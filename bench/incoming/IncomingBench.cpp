// Prints how long the window takes, model and Qt view together, to list a
// flood of offered calls, drop each as it ends, and show long hostile chat
// messages. Run under an X server or with QT_QPA_PLATFORM=offscreen.
#include "ui/MainWindow.h"

#include "app/Program.h"
#include "core/AppContext.h"
#include "engine/testing/RecordingEngine.h"
#include "loop/VirtualLoop.h"
#include "testing/FakePlatform.h"

#include <QApplication>
#include <QElapsedTimer>

#include <cstdio>
#include <filesystem>
#include <string>
#include <unistd.h>

using namespace velmora;

int main(int argc, char** argv) {
    if (::getuid() == 0) ::setenv("QTWEBENGINE_DISABLE_SANDBOX", "1", 0);
    QApplication application(argc, argv);
    char folder[] = "/tmp/velmora-bench-XXXXXX";
    const std::filesystem::path root = ::mkdtemp(folder);
    std::filesystem::create_directories(root / "bin");
    loop::VirtualLoop loop;
    engine::RecordingEngine engine;
    core::FakePlatform platform;
    core::MainWindowModel model{loop};
    core::AppContext app{model, engine, loop, platform, core::InstallRoot(root), {}};
    model.webtimer.setEnabled(false);
    app::Program program{app};
    ui::MainWindow window(model);
    window.show();
    application.processEvents();

    auto measure = [&](const char* what, int count, const std::function<void(int)>& step) {
        QElapsedTimer clock;
        clock.start();
        for (int i = 0; i < count; ++i) step(i);
        application.processEvents();
        const double ms = clock.nsecsElapsed() / 1e6;
        std::printf("%-48s %6d  %9.2f ms  %8.3f ms each\n", what, count, ms, ms / count);
    };
    for (int round = 0; round < 3; ++round) {
        measure("offered calls listed", 50, [&](int i) {
            const std::string n = std::to_string(5550000 + i);
            engine.raise().OnIncomingCall("call-" + n, "Caller <b>" + n, n, "sip:" + n + "@pbx", "sip:1001@pbx");
        });
        measure("offered calls ended by their callers", 50,
                [&](int i) { engine.raise().OnIncomingCallEnded("call-" + std::to_string(5550000 + i)); });
    }
    const std::string huge = std::string(100000, 'x') + "\xE2\x80\xAE\r\n\x01\xC3";
    measure("chat messages of 100,000 characters", 20, [&](int) { engine.raise().OnChatMessage("1001", huge); });
    measure("short chat messages", 1000, [&](int i) { engine.raise().OnChatMessage("1001", std::to_string(i)); });
    std::filesystem::remove_all(root);
    return 0;
}
