#include "FeatureCodes.h"

#include "calls/CallLogWriters.h"
#include "calls/Dialling.h"
#include "calls/HoldTransfer.h"
#include "core/AgentFiles.h"
#include "core/AppContext.h"
#include "core/DateStamps.h"
#include "core/ErrorReporter.h"
#include "core/PopupMenu.h"
#include "core/StatusLog.h"
#include "core/TextRules.h"

#include <algorithm>

namespace velmora::media {
namespace {

constexpr const char* kMessageBoxCode = "*55";
constexpr const char* kVoiceMailCode = "*97";
constexpr const char* kGreetingNumber = "9001";
// How far into a transfer entry the blank before a name is looked for.
constexpr std::size_t kNumberSearch = 50;

int dialLine(const core::AppContext& app) { return app.window.ComboDial.listIndex(); }

bool didEnabled(core::AppContext& app) { return app.settings().get(core::keys::DID) == "True"; }

// Dial on the ComboDial line with the agent's devices; a refusal is reported.
bool dialReported(core::AppContext& app, const std::string& number) {
    auto& w = app.window;
    if (calls::placeCall(app, dialLine(app), number, number, w.ListAudioIn.listIndex() - 1,
                         w.ListAudioOut.listIndex() - 1))
        return true;
    core::ReportEngineError(app);
    return false;
}

// The message box of this agent, or nullopt (with a status line) for a user
// name that would address something else.
std::optional<std::string> messageBoxNumber(core::AppContext& app, int line) {
    const std::string user = core::trimSpaces(app.window.EditAccountUserName.text());
    if (isPlainUserName(user)) return kMessageBoxCode + user;
    core::ShowStatus(app, core::lineStatus(line, "The user name can not be dialled."));
    return std::nullopt;
}

}  // namespace

bool isKeypadText(const std::string& text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return (c >= '0' && c <= '9') || c == '*' || c == '#'; });
}

bool isPlainUserName(const std::string& text) {
    return std::all_of(text.begin(), text.end(), [](char c) {
        const auto u = static_cast<unsigned char>(c);
        return u > ' ' && u < 0x7f && c != '@' && c != ':' && c != '<' && c != '>' && c != '"';
    });
}

void dropMessage(core::AppContext& app) {
    auto& w = app.window;
    const int line = w.ComboTransferCall.listIndex();
    const auto box = messageBoxNumber(app, line);
    if (!box) return;
    // A drop the engine refuses did not happen: the call stays as it is.
    if (!app.engine.TransferCall(line, *box)) {
        core::ReportEngineError(app);
        return;
    }
    // The record, and the dial field emptied, once the far end has taken the
    // call to the message box; a refusal leaves the call as it was.
    calls::handOver(app, line, "Answering Machine");
    core::ShowStatus(app, core::lineStatus(line, "Answering Machine "));
    if (w.ComboDial.count() > 0) w.ComboDial.setListIndex(0);
}

void listenToMessageBox(core::AppContext& app) {
    app.window.CheckForceInbandDTMF.setValue(1);
    if (const auto box = messageBoxNumber(app, dialLine(app))) dialReported(app, *box);
}

void callVoiceMail(core::AppContext& app) {
    app.window.vmclick.setEnabled(false);
    dialReported(app, kVoiceMailCode);
}

void recordGreeting(core::AppContext& app) {
    if (!didEnabled(app)) return;
    auto& button = app.window.GreatPush;
    button.setEnabled(false);
    core::startSibling(app, "apps", "Fennow");
    loop::msDelay(app.loop, 2500);
    button.setEnabled(true);
}

void listenToGreeting(core::AppContext& app) {
    auto& button = app.window.ListtogreetingCmd;
    button.setEnabled(false);
    if (didEnabled(app)) dialReported(app, kGreetingNumber);
    button.setEnabled(true);
}

std::optional<std::string> transferNumberToDial(const std::string& text) {
    if (text.empty()) return std::nullopt;
    if (text.size() == 10) return text;
    const auto blank = text.find(' ');
    if (blank == std::string::npos || blank >= kNumberSearch) return std::nullopt;
    return text.substr(0, blank);
}

void callTransferNumber(core::AppContext& app) {
    const auto number = transferNumberToDial(app.window.EditTransferPhoneNo.text());
    if (!number) return;
    const int line = dialLine(app);
    if (!isKeypadText(*number)) {
        core::ShowStatus(app, core::lineStatus(line, "Not a telephone number: " + number->substr(0, 50)));
        return;
    }
    if (dialReported(app, *number)) core::ShowStatus(app, core::lineStatus(line, "Dialing - " + *number));
}

}  // namespace velmora::media
