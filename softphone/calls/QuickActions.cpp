#include "QuickActions.h"

#include "core/AppContext.h"
#include "core/settings/IniFiles.h"

namespace velmora::calls {
namespace {

constexpr const char* kSection = "Hotkeys";

const std::array<QuickActionInfo, kQuickActions> kActions{{
    {QuickAction::Answer, "Answer", "Answer", "Ctrl+Alt+A"},
    {QuickAction::Reject, "Reject", "Reject", "Ctrl+Alt+J"},
    {QuickAction::HangUp, "HangUp", "Hang Up", "Ctrl+Alt+H"},
    {QuickAction::Hold, "Hold", "Hold / Unhold", "Ctrl+Alt+O"},
    {QuickAction::Mute, "Mute", "Mute / Unmute", "Ctrl+Alt+M"},
    {QuickAction::DoNotDisturb, "DoNotDisturb", "Do Not Disturb", "Ctrl+Alt+N"},
    {QuickAction::Redial, "Redial", "Redial", "Ctrl+Alt+E"},
}};

int indexOfOffer(const core::AppContext& app, const std::string& callId) {
    const auto& ids = app.window.ListIncomingCallIds.lines();
    for (std::size_t i = 0; i < ids.size(); ++i)
        if (ids[i] == callId) return static_cast<int>(i);
    return -1;
}

bool chooseOffer(core::AppContext& app, int index, core::Button& button) {
    auto& list = app.window.ListIncomingCall;
    if (index < 0 || index >= list.count()) return false;
    list.setListIndex(index);
    button.click();
    return true;
}

bool truthy(const std::string& v) { return v != "False" && v != "0" && v != "false"; }

}  // namespace

const std::array<QuickActionInfo, kQuickActions>& quickActions() { return kActions; }
const QuickActionInfo& infoOf(QuickAction action) { return kActions[static_cast<std::size_t>(action)]; }

int currentCallLine(core::AppContext& app) {
    if (const core::Call* shown = app.state.calls.shown(); shown && shown->live()) return shown->line;
    const auto live = app.state.calls.live();
    return live.empty() ? -1 : live.front()->line;
}

bool answerOffered(core::AppContext& app, const std::string& callId) {
    return chooseOffer(app, indexOfOffer(app, callId), app.window.BtnAccept);
}

bool rejectOffered(core::AppContext& app, const std::string& callId) {
    return chooseOffer(app, indexOfOffer(app, callId), app.window.BtnReject);
}

bool runQuickAction(core::AppContext& app, QuickAction action) {
    auto& w = app.window;
    const int line = currentCallLine(app);
    auto onLine = [&](core::Button& first, core::Button& second) {
        if (line < 0) return false;
        (line == 0 ? first : second).click();
        return true;
    };
    switch (action) {
    case QuickAction::Answer: return chooseOffer(app, 0, w.BtnAccept);
    case QuickAction::Reject: return chooseOffer(app, 0, w.BtnReject);
    case QuickAction::HangUp: return onLine(w.StripHangUp1, w.StripHangUp2);
    case QuickAction::Hold: return onLine(w.StripHold1, w.StripHold2);
    case QuickAction::Mute: return onLine(w.StripMute1, w.StripMute2);
    case QuickAction::DoNotDisturb: w.CheckDisturb.click(); return true;
    case QuickAction::Redial:
        if (line >= 0) return false;  // never a second call by a stray key
        w.redialPush.click();
        return true;
    }
    return false;
}

bool headsetCallKey(core::AppContext& app) {
    if (app.window.ListIncomingCall.count() > 0 && currentCallLine(app) < 0)
        return runQuickAction(app, QuickAction::Answer);
    return runQuickAction(app, QuickAction::HangUp);
}

std::string cleanKeyText(const std::string& text) {
    if (text.size() > 40) return "";
    for (char c : text)
        if (c < 0x20 || c > 0x7e) return "";
    return text;
}

HotkeySettings loadHotkeys(const std::filesystem::path& settingsFile) {
    HotkeySettings s;
    const bool stored = !core::GetProfileSetting(kSection, "Global", settingsFile).empty();
    for (std::size_t i = 0; i < kQuickActions; ++i) {
        const std::string value = core::GetProfileSetting(kSection, kActions[i].key, settingsFile);
        // A key never written takes its default; one written empty is off.
        s.keys[i] = stored ? cleanKeyText(value) : kActions[i].defaultKey;
        if (!stored && !value.empty()) s.keys[i] = cleanKeyText(value);
    }
    if (stored) {
        s.global = truthy(core::GetProfileSetting(kSection, "Global", settingsFile));
        const std::string media = core::GetProfileSetting(kSection, "MediaKeys", settingsFile);
        s.mediaKeys = media.empty() || truthy(media);
    }
    return s;
}

bool saveHotkeys(const std::filesystem::path& settingsFile, const HotkeySettings& s) {
    bool ok = core::INIwrite(settingsFile, kSection, "Global", s.global ? "True" : "False");
    ok = core::INIwrite(settingsFile, kSection, "MediaKeys", s.mediaKeys ? "True" : "False") && ok;
    for (std::size_t i = 0; i < kQuickActions; ++i)
        ok = core::INIwrite(settingsFile, kSection, kActions[i].key, cleanKeyText(s.keys[i])) && ok;
    return ok;
}

}  // namespace velmora::calls
