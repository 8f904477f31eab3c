#pragma once

#include "core/AppContext.h"

#include <QObject>

#include <filesystem>
#include <functional>
#include <memory>
#include <vector>

class QSystemTrayIcon;
class QMenu;
class QAction;

namespace velmora::ui {

class MainWindow;
class QtPlatform;
class GlobalHotkeys;

// What makes the window quick to work with, wired onto the program: the
// menu bar's call acts and records, the hotkeys (in the window and, when
// wanted, while another program has the focus), the tray icon, the offered
// call's notification actions, the call history page, the hotkeys' options
// and the agent guide.
class AgentDesk : public QObject {
public:
    AgentDesk(core::AppContext& app, MainWindow& window, QtPlatform& platform);
    ~AgentDesk() override;

    // The window's close: with a tray, asks whether to keep running there
    // (always asks while a call is up); otherwise the program's end.
    void closeRequested();
    // Loads the hotkeys from the settings and holds them.
    void applyHotkeys();

private:
    void buildMenus();
    void buildTray();
    void buildHistoryPage();
    void buildHotkeyOptions();
    void updateTray();
    void run(int action);
    void showGuide();
    void showWindow();
    void refreshProvisioned();

    core::AppContext& app_;
    MainWindow& window_;
    QtPlatform& platform_;
    std::unique_ptr<GlobalHotkeys> global_;
    QSystemTrayIcon* tray_ = nullptr;
    QMenu* trayMenu_ = nullptr;
    std::vector<QAction*> actionItems_;  // the Call menu's entries, by action
    std::vector<QAction*> mediaItems_;
    std::function<void()> reloadHistory_;
    bool trayAsked_ = false;
};

// Where the agent guide lies: beside an installed program
// (share/doc/velmoraapp), else in the source tree it was built from.
std::filesystem::path agentGuideFile();

}  // namespace velmora::ui
