#pragma once

#include "core/window/MainWindowModel.h"

#include <QMainWindow>

#include <filesystem>
#include <functional>

namespace velmora::ui {

class PageList;

// The softphone's one window: every named control of the model as a widget,
// laid out so an agent finds the dial field, the status log and the line
// status first. Closing the window asks the program to shut down.
class MainWindow : public QMainWindow {
public:
    explicit MainWindow(core::MainWindowModel& model);

    // Runs instead of closing; the shutdown sequence ends the process itself.
    std::function<void()> onCloseRequested;
    // The PEM file of the authorities the web panel trusts besides the
    // system's (the RootCA deployment key); empty for none.
    std::function<std::filesystem::path()> panelAuthorities;
    // The pop-up menu closed with entry 1..8 chosen (0: none); banner or status list.
    std::function<void(bool fromBanner, int entry)> onPopupChosen;
    // Whether the pop-up menu offers the entry (1..8); all when unset.
    std::function<bool(int entry)> popupEntryShown;
    // The window's pages, for the program's own pages and menus.
    PageList* pages() const { return pageList_; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void moveEvent(QMoveEvent* event) override;

private:
    core::MainWindowModel& model_;
    PageList* pageList_ = nullptr;
};

}  // namespace velmora::ui
