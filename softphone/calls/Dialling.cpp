#include "Dialling.h"

#include "CallEnd.h"
#include "CallLogWriters.h"

#include "core/AppContext.h"
#include "core/AudioDevices.h"
#include "core/DateStamps.h"
#include "core/ErrorReporter.h"
#include "core/Startup.h"
#include "core/StatusLog.h"
#include "core/settings/IniFiles.h"
#include "core/TextRules.h"

#include <cstdlib>

namespace velmora::calls {
namespace {

constexpr const char* kMailboxCode = "5807";

// Length as the clipboard's text counts it: UTF-16 units.
std::size_t textLength(const std::string& utf8) {
    std::size_t units = 0;
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        if ((c & 0xC0) == 0x80) continue;  // continuation byte
        units += c >= 0xF0 ? 2 : 1;
    }
    return units;
}

long numericValue(const std::string& text) { return std::strtol(text.c_str(), nullptr, 10); }

}  // namespace

int dialLine(const core::AppContext& app) { return app.window.ComboDial.listIndex(); }

std::string dialableText(const std::string& number) {
    std::string out;
    for (char c : number)
        if ((c >= '0' && c <= '9') || c == '*' || c == '#' || c == '+') out += c;
    return out;
}

core::Call* placeCall(core::AppContext& app, int line, const std::string& target, const std::string& number,
                      long inputDevice, long outputDevice) {
    auto& calls = app.state.calls;
    if (app.state.shuttingDown) return nullptr;  // no new call once the program's end has begun
    if (core::Call* refused = calls.onLine(line); refused && refused->state == core::CallState::Failed)
        endFailedCall(app, refused->serial);
    if (!app.engine.Dial(line, target, inputDevice, outputDevice)) return nullptr;
    // The engine found the line free: whatever the book still had there is over.
    if (core::Call* stale = calls.onLine(line)) calls.end(*stale, core::epochOf(app.platform.localTime()));
    return &calls.place(line, number, core::CallDirection::Outgoing, core::epochOf(app.platform.localTime()),
                        app.loop.tickCount());
}

core::Call* callOfLine(core::AppContext& app, int line) {
    auto& calls = app.state.calls;
    if (core::Call* call = calls.onLine(line)) return call;
    if (line < 0 || !app.engine.IsLineBusy(line)) return nullptr;
    core::Call& adopted = calls.place(line, app.window.EditPhoneNo.text(), core::CallDirection::Outgoing,
                                      core::epochOf(app.platform.localTime()), app.loop.tickCount());
    adopted.state = core::CallState::Connected;
    adopted.counted = app.window.CallTimer.enabled() && !countedCall(app);
    if (adopted.counted) calls.show(adopted);
    return &adopted;
}

core::Call* countedCall(core::AppContext& app) {
    for (core::Call* call : app.state.calls.live())
        if (call->counted) return call;
    return nullptr;
}

void countAndShow(core::AppContext& app, core::Call& call) {
    for (core::Call* other : app.state.calls.live()) other->counted = false;
    call.counted = true;
    app.state.calls.show(call);
}

void dial(core::AppContext& app) {
    auto& w = app.window;
    app.state.consultTransferFlag = false;
    core::applyInBandSetting(app);
    const std::string number = w.EditPhoneNo.text();
    if (number.empty()) {
        app.platform.messageBox("Please enter a phone number.", core::MessageStyle::Ok);
        return;
    }
    const int line = dialLine(app);
    core::Call* call =
        placeCall(app, line, number, number, core::inputDeviceForCall(app), core::outputDeviceForCall(app));
    if (!call) {
        core::ReportEngineError(app);
        return;
    }
    countAndShow(app, *call);
    core::ShowStatus(app, core::lineStatus(line, "Dialing - " + number));
    app.state.lastDialledNumber = number;
    const std::tm now = app.platform.localTime();
    writePlacedCalls(app.root.find("logs/callsout.txt"), number, core::shortDate(now) + " " + core::shortTime(now));
    w.callsec.setText("0");
    w.CallTimer.setEnabled(true);
    w.mouseMenu.setCaption("Dialing - " + number);
    app.settings().set(core::keys::LastNumber, number);
}

void redial(core::AppContext& app) {
    const std::string last = app.settings().get(core::keys::LastNumber);
    if (last.empty()) return;
    app.window.EditPhoneNo.setText(last);
    loop::msDelay(app.loop, 100);
    dial(app);
}

void dialPadPress(core::AppContext& app, char key) {
    auto& number = app.window.EditPhoneNo;
    const bool digit = key >= '0' && key <= '9';
    if ((digit && number.text().size() != 10) || key == '*') number.setText(number.text() + key);
    app.engine.SendDtmfDigit(dialLine(app), std::string(1, key));
}

void typedIntoNumber(core::AppContext& app, char key) {
    const bool dtmfKey = (key >= '0' && key <= '9') || key == '*' || key == '#';
    if (!dtmfKey) return;
    const int line = dialLine(app);
    if (app.engine.IsLineBusy(line)) app.engine.SendDtmfDigit(line, std::string(1, key));
}

void sendBoxCode(core::AppContext& app) {
    loop::msDelay(app.loop, 1000);
    const std::string code = kMailboxCode;
    for (std::size_t i = 0; i < code.size(); ++i) {
        app.engine.SendDtmfDigit(dialLine(app), std::string(1, code[i]));
        if (i + 1 < code.size()) loop::msDelay(app.loop, 300);
    }
}

void clickToDialPressed(core::AppContext& app) {
    auto& box = app.window.autoCheck;
    const auto settings = app.settings();
    settings.set(core::keys::autocall, box.ticked() ? "1" : "0");
    const std::string stored = settings.get(core::keys::autocall);
    if (stored == "1" || stored == "0") {
        box.setValue(stored == "1" ? 1 : 0);
        box.setCaption(stored == "1" ? "Click On" : "Click Off");
    }
}

ClipboardAction readClipboardText(const std::string& clipboard, long swipeLength) {
    std::string text = core::trimSpaces(clipboard);
    if (text.empty()) return {};
    if (swipeLength < static_cast<long>(textLength(text))) return {};
    if (text.front() == '|') {
        const auto end = text.find('|', 1);
        text = text.substr(1, end == std::string::npos ? std::string::npos : end - 1);
    }
    if (text == "*END*" || text == "#hangup") return {ClipboardAction::HangUp, {}};
    if (text == "#pam") return {ClipboardAction::PlayMessage, {}};
    std::string digits;
    for (char c : text)
        if (c >= '0' && c <= '9') digits += c;
    const std::string number = !digits.empty() && digits.front() == '1' ? digits.substr(1, 10) : digits.substr(0, 10);
    if (number.size() != 10) return {};
    return {ClipboardAction::Dial, number};
}

void carryOutClipboardText(core::AppContext& app, const std::string& text) {
    auto& w = app.window;
    const auto action = readClipboardText(text, numericValue(w.swipeLengthTxT.text()));
    switch (action.kind) {
    case ClipboardAction::Ignore: return;
    case ClipboardAction::HangUp:
        w.BtnHangUp.click();
        app.platform.clearClipboard();
        return;
    case ClipboardAction::PlayMessage:
        w.PlayMsgPush.click();
        app.platform.clearClipboard();
        return;
    case ClipboardAction::Dial:
        app.platform.clearClipboard();
        w.EditPhoneNo.setText(action.number);
        dial(app);
        return;
    }
}

void clipboardDialTick(core::AppContext& app) {
    auto& w = app.window;
    if (w.BtnOnline.caption() == "Online") w.mouseMenu.setCaption("You Are Not On Line!!!");
    if (!w.autoCheck.ticked()) return;
    const auto text = app.platform.clipboardText();
    if (!text || text->empty()) return;
    carryOutClipboardText(app, *text);
}

void countCallSecond(core::AppContext& app) {
    app.window.callsec.setText(std::to_string(numericValue(app.window.callsec.text()) + 1));
}

}  // namespace velmora::calls
