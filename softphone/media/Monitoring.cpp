#include "Monitoring.h"

#include "FeatureCodes.h"

#include "calls/Dialling.h"
#include "core/AppContext.h"
#include "core/ErrorReporter.h"
#include "core/StatusLog.h"
#include "core/TextRules.h"
#include "core/settings/ListFile.h"

namespace velmora::media {
namespace {

constexpr std::size_t kExtensionLength = 10;
constexpr std::size_t kUnderscoreSearch = 50;
constexpr std::size_t kMaxAgents = 49;

std::string selectedLine(const core::ListBox& list) {
    const int index = list.listIndex();
    return index >= 0 && index < list.count() ? list.lines()[index] : std::string();
}

// The monitor hang-up belongs to the call recording (ctPush2 ends the
// connection and saves a running monitor recording); it runs when installed.
void monitorHangUp(core::AppContext& app) {
    if (auto* hangUp = app.window.registry.find("ctPush2")) hangUp->click();
}

// Dials code + extension on the ComboDial line; an extension that is not
// keypad text is refused with a status line instead.
bool dialExtension(core::AppContext& app, const std::string& code, const std::string& extension) {
    auto& w = app.window;
    const int line = w.ComboDial.listIndex();
    if (!isKeypadText(extension)) {
        core::ShowStatus(app, core::lineStatus(line, "Not an extension: " + extension.substr(0, kUnderscoreSearch)));
        return false;
    }
    if (calls::placeCall(app, line, code + extension, code + extension, w.ListAudioIn.listIndex() - 1,
                         w.ListAudioOut.listIndex() - 1))
        return true;
    core::ReportEngineError(app);
    return false;
}

}  // namespace

std::string monitorExtension(const std::string& entry) {
    return core::trimSpaces(core::trimSpaces(entry).substr(0, kExtensionLength));
}

std::optional<std::string> colleagueExtension(const std::string& entry) {
    const auto underscore = entry.find('_');
    if (underscore == std::string::npos || underscore >= kUnderscoreSearch) return std::nullopt;
    return core::trimSpaces(entry.substr(0, underscore));
}

void monitorAgent(core::AppContext& app, const std::string& entry, const std::string& code, bool requireEntry) {
    app.state.monitoredAgent.clear();
    const std::string agent = core::trimSpaces(entry).substr(0, kExtensionLength);
    app.state.monitoredAgent = agent;
    monitorHangUp(app);
    loop::msDelay(app.loop, 500);
    if (requireEntry && entry.empty()) return;
    // The extension of this request, even if another one began during the wait.
    dialExtension(app, code, core::trimSpaces(agent));
}

void monitorListDoubleClicked(core::AppContext& app) {
    const auto& w = app.window;
    monitorAgent(app, selectedLine(w.MonList), w.VelmoraCheck.ticked() ? kSpeakToAgentCode : kListenCode, true);
}

void remoteMonitor(core::AppContext& app, const std::string& code) {
    monitorAgent(app, app.window.velmoraDDEtxt.text(), code, false);
}

void callColleague(core::AppContext& app) {
    auto& w = app.window;
    const std::string entry = core::trimSpaces(selectedLine(w.agentList));
    w.BtnHangUp.click();
    if (w.ComboDial.count() > 1) w.ComboDial.setListIndex(1);
    loop::msDelay(app.loop, 50);
    w.EditPhoneNo.setText(entry);
    const auto extension = colleagueExtension(entry);
    if (!extension) return;
    if (dialExtension(app, kColleagueCode, *extension))
        core::ShowStatus(app, core::lineStatus(w.ComboDial.listIndex(), "Dialing - " + *extension));
}

void reloadAgentList(core::AppContext& app) {
    auto& list = app.window.agentList;
    list.clear();
    for (const auto& item : core::readListFile(app.root.bin("agentlist.txt"), kMaxAgents)) list.addItem(item);
}

void editAgentList(core::AppContext& app) { app.platform.openInEditor(app.root.bin("agentlist.txt")); }

}  // namespace velmora::media
