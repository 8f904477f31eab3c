#pragma once

#include <filesystem>

class QWidget;

namespace velmora::ui {

// The program's own windows opened from the pop-up menu.
void showCallLogViewer(QWidget* parent, const std::filesystem::path& callLog);
void showRecordingsBrowser(QWidget* parent, const std::filesystem::path& messagesFolder);
void showAboutWindow(QWidget* parent);

}  // namespace velmora::ui
