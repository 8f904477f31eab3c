#pragma once

#include <ctime>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace velmora::core {

// The program's own windows that the pop-up menu opens.
enum class ProgramWindow { CallLogs, Recordings, About };

enum class MessageStyle {
    Ok,             // a single OK button
    CriticalOnTop,  // critical icon, application-modal, kept on top
};

// The desktop services the handlers use. The Qt adapter talks to the real
// desktop; tests use FakePlatform.
class Platform {
public:
    virtual ~Platform() = default;

    // The clipboard as text; nullopt when it cannot be read.
    virtual std::optional<std::string> clipboardText() = 0;
    virtual bool clearClipboard() = 0;
    virtual bool setClipboardText(const std::string& text) = 0;

    // A modal message box; returns when the agent has closed it.
    virtual void messageBox(const std::string& text, MessageStyle style) = 0;

    // Starts a program directly (never through a shell); false when it cannot.
    virtual bool launch(const std::filesystem::path& program, const std::vector<std::string>& arguments) = 0;
    // Opens a file in the desktop's text editor.
    virtual bool openInEditor(const std::filesystem::path& file) = 0;
    // Opens a document or address with its default handler.
    virtual bool openUrl(const std::string& address) = 0;
    // Opens a local file (a page for the browser) with its default handler;
    // only the file's name reaches the handler's command line.
    virtual bool openFile(const std::filesystem::path& file) = 0;

    // The looping ring-back sound.
    virtual void startRingSound(const std::filesystem::path& wave) = 0;
    virtual void stopRingSound() = 0;

    // The local date and time now.
    virtual std::tm localTime() = 0;

    // Shows one of the program's own windows (non-modal).
    virtual void showProgramWindow(ProgramWindow which) = 0;

    // Ends the process at once with exit code 1.
    virtual void forceQuit() = 0;

    // Whether the main window is the active window of the desktop.
    virtual bool windowActive() { return true; }
    // A desktop notification; clicking it brings the main window forward.
    // Without a notification service nothing is shown and nothing fails.
    virtual void notify(const std::string& title, const std::string& body) {}
};

}  // namespace velmora::core
