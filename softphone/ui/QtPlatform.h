#pragma once

#include "core/Platform.h"

#include <functional>
#include <memory>

class QWidget;
class QSoundEffect;

namespace velmora::ui {
class DesktopNotifier;
}

namespace velmora::ui {

// The Linux desktop behind the Platform port: Qt's clipboard and message
// boxes, programs started directly, xdg-open for documents, Qt Multimedia for
// the ring-back loop.
class QtPlatform : public core::Platform {
public:
    explicit QtPlatform(QWidget* window);
    ~QtPlatform() override;

    std::optional<std::string> clipboardText() override;
    bool clearClipboard() override;
    bool setClipboardText(const std::string& text) override;
    void messageBox(const std::string& text, core::MessageStyle style) override;
    bool launch(const std::filesystem::path& program, const std::vector<std::string>& arguments) override;
    bool openInEditor(const std::filesystem::path& file) override;
    bool openUrl(const std::string& address) override;
    bool openFile(const std::filesystem::path& file) override;
    void startRingSound(const std::filesystem::path& wave) override;
    void stopRingSound() override;
    std::tm localTime() override;
    void showProgramWindow(core::ProgramWindow which) override;
    void forceQuit() override;
    bool windowActive() override;
    void notify(const std::string& title, const std::string& body) override;
    // forceQuit's exit status: 1, or 0 for the ordered end a signal asked for.
    int exitStatus = 1;

    // The id of the call just offered (the incoming panel's newest), so its
    // notification's Answer and Reject act on that call; and what they do.
    std::function<std::string()> offeredCallId;
    std::function<void(const std::string& callId, bool answer)> onCallAction;

    // Opens the program's own windows; set by whoever knows the install root.
    std::function<void(core::ProgramWindow)> programWindows;

private:
    QWidget* window_;
    std::unique_ptr<QSoundEffect> ring_;
    DesktopNotifier* notifier_ = nullptr;
};

}  // namespace velmora::ui
