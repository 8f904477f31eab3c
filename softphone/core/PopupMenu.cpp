#include "PopupMenu.h"

#include "AppContext.h"
#include "StatusLog.h"

#include <system_error>

namespace velmora::core {

std::string menuCaption(MenuOrigin origin, int entry) {
    switch (entry) {
    case 1: return "Call Logs";
    case 2: return "Recordings";
    case 3: return "About";
    case 4: return origin == MenuOrigin::Banner ? "Message Player" : "Lumbra";
    case 5: return "Message Recorder";
    case 6: return "Policy";
    case 7: return "Help";
    case 8: return "Pemble";
    default: return "";
    }
}

bool startSibling(AppContext& app, const std::string& folder, const std::string& name) {
    for (const char* suffix : {"", ".exe", ".sh"}) {
        const auto program = app.root.find(folder + "/" + name + suffix);
        std::error_code ec;
        if (std::filesystem::is_regular_file(program, ec)) return app.platform.launch(program, {});
    }
    return false;
}

namespace {

// A menu entry whose program is missing says so instead of doing nothing.
void startFromMenu(AppContext& app, const std::string& folder, const std::string& name) {
    if (!startSibling(app, folder, name)) ShowStatus(app, name + " is not installed in " + folder + "/.");
}

}  // namespace

void runPopupEntry(AppContext& app, MenuOrigin origin, int entry) {
    app.window.expChk.setValue(0);
    switch (entry) {
    case 1: app.platform.showProgramWindow(ProgramWindow::CallLogs); break;
    case 2: app.platform.showProgramWindow(ProgramWindow::Recordings); break;
    case 3: app.platform.showProgramWindow(ProgramWindow::About); break;
    case 4: startFromMenu(app, "apps", origin == MenuOrigin::Banner ? "Tarvik" : "Lumbra"); break;
    case 5: startFromMenu(app, "apps", "Ostrel"); break;
    case 6:
        if (auto address = app.root.deployment().get(keys::PolicyAddress); !address.empty())
            app.platform.openUrl(address);
        break;
    case 7:
        if (auto address = app.root.deployment().get(keys::HelpAddress); !address.empty())
            app.platform.openUrl(address);
        break;
    case 8: startFromMenu(app, "bin", "Pemble"); break;
    default: break;
    }
}

}  // namespace velmora::core
