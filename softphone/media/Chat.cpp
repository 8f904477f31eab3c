#include "Chat.h"

#include "calls/CallLogWriters.h"
#include "core/AppContext.h"
#include "core/DateStamps.h"
#include "core/ErrorReporter.h"
#include "core/SafeText.h"
#include "core/StatusLog.h"
#include "core/TextRules.h"
#include "core/settings/ListFile.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <system_error>

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

// Whether the day's log already ends with its "full" line.
bool endsFull(const std::filesystem::path& file, std::uintmax_t size) {
    const std::string tail = std::string(kChatLogFullLine) + "\r\n";
    if (size < tail.size()) return false;
    std::ifstream in(file, std::ios::binary);
    in.seekg(static_cast<std::streamoff>(size - tail.size()));
    std::string last(tail.size(), '\0');
    return in.read(last.data(), static_cast<std::streamsize>(last.size())) && last == tail;
}

// The day's log never passes its bound, however many messages come: past it
// one line says so and the rest of the day is not logged. The file's own size
// is the measure, so a restart keeps to the same bound.
void writeChatLog(core::AppContext& app, const ChatStamps& stamps, const std::string& line) {
    const auto file = app.root.find(stamps.file);
    const std::string entry = boundedLogLine(line, kMaxChatLogLineBytes) + "[" + stamps.stamp + "]";
    std::error_code ec;
    const std::uintmax_t size = std::filesystem::file_size(file, ec);
    const std::uintmax_t reserved = std::char_traits<char>::length(kChatLogFullLine) + 2;
    if (!ec && endsFull(file, size)) return;
    if (!ec && size + entry.size() + 2 > kMaxChatLogBytes - reserved) {
        if (size < kMaxChatLogBytes) calls::writeIMFile(file, kChatLogFullLine);
        return;
    }
    calls::writeIMFile(file, entry);
}

bool isBlankByte(char c) { return c == ' ' || c == '\t'; }

// The name as it reads on screen: leading blanks and invisible characters (zero-width
// spaces and joiners, the word joiner, the byte-order mark, the soft hyphen)
// left out, ASCII letters in lower case.
std::string readAs(const std::string& raw) {
    // As the window shows it: control characters as blanks, direction controls gone.
    const std::string name = core::shownText(raw, raw.size());
    static const char* const invisible[] = {"\xE2\x80\x8B", "\xE2\x80\x8C", "\xE2\x80\x8D", "\xE2\x81\xA0",
                                            "\xEF\xBB\xBF", "\xC2\xAD", "\xC2\xA0"};
    std::string out;
    for (std::size_t i = 0; i < name.size();) {
        bool skipped = false;
        for (const char* seq : invisible) {
            const std::size_t n = std::char_traits<char>::length(seq);
            if (name.compare(i, n, seq) == 0) {
                i += n;
                skipped = true;
                break;
            }
        }
        if (skipped) continue;
        if (out.empty() && isBlankByte(name[i])) {
            ++i;
            continue;
        }
        out += static_cast<char>(std::tolower(static_cast<unsigned char>(name[i++])));
    }
    return out;
}

// A name that could be taken for the agent's own "Me": "Me", or "me" followed
// by anything but a letter, a digit or the "@" of an address.
bool couldReadAsMe(const std::string& name) {
    const std::string r = readAs(name);
    if (r.rfind("me", 0) != 0) return false;
    if (r.size() == 2) return true;
    const auto next = static_cast<unsigned char>(r[2]);
    return !std::isalnum(next) && next != '@';
}

// What would read exactly as the agent's own line: "Me" alone or "Me:".
bool readsAsMe(const std::string& name) {
    std::string r = readAs(name);
    while (!r.empty() && isBlankByte(r.back())) r.pop_back();
    return r == "me" || r.rfind("me:", 0) == 0;
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

std::string chatSenderName(const std::string& sender, const std::vector<std::string>& chatUsers) {
    std::string name = sender;
    if (sender.find('@') == std::string::npos) {
        for (const auto& entry : chatUsers) {
            const std::string item = core::trimSpaces(entry);
            const auto blank = item.find(' ');
            if (item.substr(0, blank) != sender) continue;
            const std::string listed = blank == std::string::npos ? "" : core::trimSpaces(item.substr(blank + 1));
            if (!listed.empty()) name = couldReadAsMe(listed) ? listed + " (" + sender + ")" : listed;
            break;
        }
    }
    return readsAsMe(name) ? "\"" + name + "\"" : name;
}

std::string boundedLogLine(const std::string& line, std::size_t maxBytes) {
    std::string out = core::oneLine(line);
    if (out.size() <= maxBytes) return out;
    std::size_t cut = maxBytes;
    while (cut > 0 && (static_cast<unsigned char>(out[cut]) & 0xC0) == 0x80) --cut;
    out.resize(cut);
    return out;
}

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
    if (!admitted(sender)) return;
    const ChatStamps stamps = takeStamps(app_);
    auto& w = app_.window;
    const std::string name = core::shownText(
        chatSenderName(sender, core::readListFile(app_.root.bin("chatusers.txt"), kMaxChatUsers)), kMaxShownName);
    w.IMCap.setVisible(true);
    if (auto body = markedUpBody(message)) {
        showChatLine(app_, name + ": " + *body);
    } else {
        showChatLine(app_, name + ": " + message);
        writeChatLog(app_, stamps, name + ": " + message);
    }
    if (!app_.platform.windowActive())
        app_.platform.notify("Chat message from " + name,
                             core::shownText(markedUpBody(message).value_or(message), 200));
}

// A sliding minute per sender. The senders kept apart are bounded: ones silent
// for a minute are forgotten first, and when all are recent, a new sender
// shares the count of every other such sender.
bool ChatEvents::admitted(const std::string& sender) {
    constexpr std::uint32_t kMinuteMs = 60000;
    const std::uint32_t now = app_.loop.tickCount();
    const auto recent = [&](std::uint32_t tick) { return now - tick < kMinuteMs; };
    const std::string key = sender.substr(0, 256);
    auto found = rates_.find(key);
    if (found == rates_.end() && rates_.size() >= kMaxRateSenders)
        std::erase_if(rates_, [&](const auto& item) {
            const Rate& r = item.second;
            return (r.taken.empty() || !recent(r.taken.back())) && (!r.saidAt || !recent(*r.saidAt));
        });
    Rate& rate = found != rates_.end()          ? found->second
                 : rates_.size() < kMaxRateSenders ? rates_[key]
                                                   : others_;
    std::erase_if(rate.taken, [&](std::uint32_t tick) { return !recent(tick); });
    if (rate.taken.size() < kMaxChatMessagesPerMinute) {
        rate.taken.push_back(now);
        return true;
    }
    if (!rate.saidAt || !recent(*rate.saidAt)) {
        rate.saidAt = now;
        core::ShowStatus(app_, "Chat: more than " + std::to_string(kMaxChatMessagesPerMinute) +
                                   " messages a minute from " + core::shownText(key, kMaxShownName) +
                                   "; the rest of this minute's are dropped");
    }
    return false;
}

}  // namespace velmora::media
