#pragma once

#include "../Platform.h"

#include <functional>
#include <string>
#include <vector>

namespace velmora::core {

// The desktop as tests see it: every request is recorded; the clipboard is a
// string that can be made unavailable.
class FakePlatform : public Platform {
public:
    struct Message {
        std::string text;
        MessageStyle style;
        int formTopTwips;  // where the window stood when the box appeared
    };
    struct Launch {
        std::filesystem::path program;
        std::vector<std::string> arguments;
    };

    std::optional<std::string> clipboard = std::string();
    bool clipboardAvailable = true;
    std::vector<std::string> clipboardLog;  // "clear", "set:<text>"
    std::vector<Message> messages;
    std::vector<Launch> launches;
    std::vector<std::filesystem::path> edited;
    std::vector<std::string> openedUrls;
    std::vector<std::string> ringLog;  // "start:<file>", "stop"
    std::vector<ProgramWindow> shownWindows;
    int forceQuitCount = 0;
    bool launchSucceeds = true;
    std::function<int()> formTop = [] { return 0; };
    std::function<void()> onMessage;  // runs while the box is "open"

    std::optional<std::string> clipboardText() override {
        if (!clipboardAvailable) return std::nullopt;
        return clipboard;
    }
    bool clearClipboard() override {
        if (!clipboardAvailable) return false;
        clipboardLog.push_back("clear");
        clipboard = std::string();
        return true;
    }
    bool setClipboardText(const std::string& text) override {
        if (!clipboardAvailable) return false;
        clipboardLog.push_back("set:" + text);
        clipboard = text;
        return true;
    }
    void messageBox(const std::string& text, MessageStyle style) override {
        messages.push_back({text, style, formTop()});
        if (onMessage) onMessage();
    }
    bool launch(const std::filesystem::path& program, const std::vector<std::string>& args) override {
        launches.push_back({program, args});
        return launchSucceeds;
    }
    bool openInEditor(const std::filesystem::path& file) override {
        edited.push_back(file);
        return true;
    }
    bool openUrl(const std::string& address) override {
        openedUrls.push_back(address);
        return true;
    }
    // Runs while the opened file is there, as a browser would read it.
    std::function<void(const std::filesystem::path&)> onOpenFile;
    std::vector<std::filesystem::path> openedFiles;
    bool openFile(const std::filesystem::path& file) override {
        openedFiles.push_back(file);
        if (onOpenFile) onOpenFile(file);
        return true;
    }
    void startRingSound(const std::filesystem::path& wave) override { ringLog.push_back("start:" + wave.string()); }
    void stopRingSound() override { ringLog.push_back("stop"); }
    // 9 December 2026, 14:05:09 unless a test says otherwise.
    std::tm now = [] {
        std::tm t{};
        t.tm_year = 126;
        t.tm_mon = 11;
        t.tm_mday = 9;
        t.tm_hour = 14;
        t.tm_min = 5;
        t.tm_sec = 9;
        return t;
    }();
    std::tm localTime() override { return now; }
    void showProgramWindow(ProgramWindow which) override { shownWindows.push_back(which); }
    void forceQuit() override { ++forceQuitCount; }
    bool active = true;
    std::vector<std::string> notifications;  // "<title>|<body>"
    bool windowActive() override { return active; }
    void notify(const std::string& title, const std::string& body) override {
        notifications.push_back(title + "|" + body);
    }
};

}  // namespace velmora::core
