#pragma once

#include <array>
#include <filesystem>
#include <string>

namespace velmora::core {
struct AppContext;
}

namespace velmora::calls {

// The agent's most frequent acts, reachable without the window in front: the
// hotkeys, the tray menu and the offered-call notification run these. Each
// runs the window's own controls, so nothing behaves differently from a click.
enum class QuickAction { Answer, Reject, HangUp, Hold, Mute, DoNotDisturb, Redial };
inline constexpr std::size_t kQuickActions = 7;

struct QuickActionInfo {
    QuickAction action;
    const char* key;         // its key in the [Hotkeys] section
    const char* label;       // as menus show it
    const char* defaultKey;  // Qt's portable key text
};
const std::array<QuickActionInfo, kQuickActions>& quickActions();
const QuickActionInfo& infoOf(QuickAction action);

// Runs the action on the call it means: Answer and Reject the first offered
// call, the others the call the window shows (else the first live one).
// False when there was nothing to act on.
bool runQuickAction(core::AppContext& app, QuickAction action);

// Answer or Reject of one offered call, by its id (a notification's call);
// false when that call is no longer offered.
bool answerOffered(core::AppContext& app, const std::string& callId);
bool rejectOffered(core::AppContext& app, const std::string& callId);

// A headset's call key (XF86Phone, play/pause): answers a ringing call,
// otherwise hangs up the current one.
bool headsetCallKey(core::AppContext& app);

// The line of the call the keys act on: the call the window shows, else the
// first live call; -1 for none.
int currentCallLine(core::AppContext& app);

// The agent's hotkeys, kept in bin/velmoraapp.ini, section [Hotkeys]: one key
// text per action ("" switches it off), and whether they also work while
// another program has the focus, and whether a headset's keys answer, hang up
// and mute.
struct HotkeySettings {
    std::array<std::string, kQuickActions> keys;
    bool global = true;
    bool mediaKeys = true;
};
HotkeySettings loadHotkeys(const std::filesystem::path& settingsFile);
bool saveHotkeys(const std::filesystem::path& settingsFile, const HotkeySettings& settings);
// A key text as stored: printable ASCII, at most 40 characters, else "".
std::string cleanKeyText(const std::string& text);

}  // namespace velmora::calls
