#pragma once

#include <filesystem>

class QWidget;

namespace velmora::ui {

// The program's own windows opened from the pop-up menu.
void showCallLogViewer(QWidget* parent, const std::filesystem::path& callLog);
// The saved recordings, and those kept unsaved when their call ended, which
// the agent saves into the recordings folder or deletes.
void showRecordingsBrowser(QWidget* parent, const std::filesystem::path& messagesFolder,
                           const std::filesystem::path& unsavedFolder);
void showAboutWindow(QWidget* parent);

}  // namespace velmora::ui
