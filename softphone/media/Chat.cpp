#include "Chat.h"

#include "calls/CallLogWriters.h"
#include "core/AppContext.h"
#include "core/DateStamps.h"
#include "core/ErrorReporter.h"
#include "core/SafeText.h"
#include "core/TextRules.h"
#include "core/settings/ListFile.h"

#include <algorithm>
#include <cctype>

namespace velmora::media {
namespace {

constexpr const char* kStatusTexts[] = {"Online", "Offline", "Away", "On the phone", "Busy"};

std::string upper(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::toupper(c); });
    return s;
}

// The day's log file and the stamp of its lines, "DDMM_H:M" (0912_7:5).
struct ChatStamps {
    std::string file, stamp;
};

ChatStamps takeStamps(core::AppContext& app) {
    const std::tm t = app.platform.localTime();
    const std::string day = core::dayStamp(t);
    return {"logs/chat_log_" + day + ".txt",
            day.substr(0, 4) + "_" + std::to_string(t.tm_hour) + ":" + std::to_string(t.tm_min)};
}

void writeChatLog(core::AppContext& app, const ChatStamps& stamps, const std::string& line) {
    calls::writeIMFile(app.root.find(stamps.file), core::oneLine(line) + "[" + stamps.stamp + "]");
}

void showChatLine(core::AppContext& app, const std::string& line) {
    auto& list = app.window.ListChatMsg;
    if (list.count() >= kMaxChatLines) {
        std::vector<std::string> kept(list.lines().end() - (kMaxChatLines - 1), list.lines().end());
        list.clear();
        for (const auto& l : kept) list.addItem(l);
    }
    list.addItem(core::shownText(line, kMaxShownChars));
}

// A chat-user item that can be offered: text without control characters (a
// binary file gives none). Bytes that are not UTF-8 show as U+FFFD.
bool usableItem(const std::string& item) {
    return std::none_of(item.begin(), item.end(),
                        [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; });
}

}  // namespace

std::string chatStatusText(long code) { return code >= 0 && code <= 4 ? kStatusTexts[code] : ""; }

std::optional<std::string> chosenChatUser(const std::string& entry) {
    if (entry.empty()) return std::nullopt;
    const auto blank = entry.find(' ');
    if (blank == std::string::npos) return std::nullopt;
    return core::trimSpaces(entry).substr(0, blank + 1);
}

std::optional<std::string> markedUpBody(const std::string& message) {
    const auto open = message.find('>');
    if (open == std::string::npos) return std::nullopt;
    const auto close = message.find('<', open + 1);
    return message.substr(open + 1, close == std::string::npos ? std::string::npos : close - open - 1);
}

void chatScreenToggled(core::AppContext& app) {
    auto& w = app.window;
    w.IMCap.setVisible(false);
    w.ChatUserName.clear();
    w.ListChatContact.clear();
    w.EditSendChatUserName.setText("");
    w.ListChatContact.setVisible(true);
    const bool open = w.MonCheck.ticked();
    if (open) w.form.resize(7725, 5625);
    for (const auto& item : core::readListFile(app.root.bin("chatusers.txt"), kMaxChatUsers))
        if (usableItem(item)) w.ChatUserName.addItem(core::shownText(item, kMaxShownChars));
    w.Frame2.setVisible(open);
}

void chatUserChosen(core::AppContext& app) {
    auto& w = app.window;
    const auto user = chosenChatUser(w.ChatUserName.text());
    if (!user) return;
    w.EditSendChatUserName.setText(*user);
    w.EditChatContact.setText(*user);
    addChatContact(app);
}

// The contact list then holds only the contact added; a refusal leaves it as
// it was, with the contact still in its box.
void addChatContact(core::AppContext& app) {
    auto& w = app.window;
    const std::string contact = w.EditChatContact.text();
    if (!app.engine.AddChatContact(contact)) {
        core::ReportEngineError(app);
        return;
    }
    w.ListChatContact.clear();
    w.ListChatContact.addItem(core::shownText(contact, kMaxShownChars));
    if (w.ListChatContact.listIndex() < 0) w.ListChatContact.setListIndex(0);
    w.EditChatContact.setText("");
}

void removeChatContact(core::AppContext& app) {
    auto& list = app.window.ListChatContact;
    const int selected = list.listIndex();
    if (selected < 0 || selected >= list.count()) return;
    const std::string entry = list.lines()[selected];
    if (!app.engine.RemoveChatContact(entry)) {
        core::ReportEngineError(app);
        return;
    }
    std::vector<std::string> kept = list.lines();
    kept.erase(kept.begin() + selected);
    list.clear();
    for (const auto& line : kept) list.addItem(line);
}

void myChatStatusChosen(core::AppContext& app) {
    const int selected = app.window.ComboMyChatStatus.listIndex();
    if (selected < 0) return;
    if (!app.engine.SetMyChatStatus(selected)) core::ReportEngineError(app);
}

void sendChatMessage(core::AppContext& app) {
    auto& w = app.window;
    const ChatStamps stamps = takeStamps(app);
    const std::string recipient = w.EditSendChatUserName.text();
    if (recipient.empty()) return;
    const std::string message = w.EditSendChatMsg.text();
    if (!app.engine.SendChatMessage(recipient, message, 101, 0)) {
        core::ReportEngineError(app);
        return;
    }
    showChatLine(app, "Me: " + message);
    writeChatLog(app, stamps, "Me: " + message);
    w.EditSendChatMsg.setText("");
}

// With the chat screen already open the indicator is simply taken down.
void newMessageIndicatorClicked(core::AppContext& app) {
    app.window.MonCheck.setValue(1);
    app.window.IMCap.setVisible(false);
}

void clearChat(core::AppContext& app) {
    app.window.ListChatMsg.clear();
    app.window.ListChatContact.clear();
}

void editChatUsers(core::AppContext& app) { app.platform.openInEditor(app.root.bin("chatusers.txt")); }

// Every entry containing the contact (ignoring case) is rewritten, so a
// report for 10 also rewrites 101. A report without a contact names nobody.
void ChatEvents::OnChatContactStatus(const std::string& contact, long status) {
    if (contact.empty()) return;
    auto& list = app_.window.ListChatContact;
    const std::string wanted = upper(contact);
    const std::string entry = core::shownText(contact, kMaxShownChars) + " [" + chatStatusText(status) + "]";
    std::vector<std::string> lines = list.lines();
    bool changed = false;
    for (auto& line : lines)
        if (upper(line).find(wanted) != std::string::npos) line = entry, changed = true;
    if (!changed) return;
    const int selected = list.listIndex();
    list.clear();
    for (const auto& line : lines) list.addItem(line);
    list.setListIndex(selected);
}

// A marked-up message shows its body only and is not logged; a plain one is
// shown and logged. Either is shown as text, never as markup.
void ChatEvents::OnChatMessage(const std::string& sender, const std::string& message) {
    const ChatStamps stamps = takeStamps(app_);
    auto& w = app_.window;
    w.IMCap.setVisible(true);
    if (auto body = markedUpBody(message)) {
        showChatLine(app_, sender + ": " + *body);
    } else {
        showChatLine(app_, sender + ": " + message);
        writeChatLog(app_, stamps, sender + ": " + message);
    }
    if (!app_.platform.windowActive())
        app_.platform.notify("Chat message from " + core::shownText(sender, 64),
                             core::shownText(markedUpBody(message).value_or(message), 200));
}

}  // namespace velmora::media
