#include "Provisioning.h"

#include "AppContext.h"
#include "StatusLog.h"
#include "Startup.h"
#include "settings/IniFiles.h"
#include "settings/ListFile.h"
#include "TextRules.h"

namespace velmora::core {
namespace {

constexpr int kKeyPadWidthTwips = 7725;
constexpr int kNarrowWidthTwips = 3840;
constexpr int kHeightTwips = 5625;
constexpr std::size_t kMaxTransferNumbers = 99;

// Characters from..to (one-based) of text; what lies beyond its end is absent.
std::string characters(const std::string& text, std::size_t from, std::size_t to) {
    if (text.size() < from) return "";
    return text.substr(from - 1, to - from + 1);
}

}  // namespace

ProvisioningCode splitProvisioningCode(const std::string& code) {
    return {characters(code, 3, 6), characters(code, 7, 10), characters(code, 11, 20), trimSpaces(code)};
}

std::string maskedProvisioningCode(const std::string& code) {
    std::string shown = code;
    for (std::size_t i = 10; i < 20 && i < shown.size(); ++i) shown[i] = '*';
    return shown;
}

void showProvisioningPanel(AppContext& app) { app.window.Frame7.setVisible(true); }

void saveProvisioningPanel(AppContext& app) {
    auto& w = app.window;
    const auto code = splitProvisioningCode(w.Text1.text());
    const std::string proxy = code.accountNumber + "." + app.root.deployment().get(keys::ServiceDomain);
    const auto settings = app.settings();
    settings.set(keys::customerNumber, code.customerNumber);
    settings.set(keys::Password, code.password);
    settings.set(keys::Login, code.login);
    settings.set(keys::AuthLogin, code.login);
    settings.set(keys::OutBoundProxy, proxy);
    settings.set(keys::SIPProxy, proxy);
    settings.set(keys::Mon, "True");
    settings.set(keys::Userweb, w.Text2.text());
    settings.set(keys::passweb, w.Text3.text());
    w.Frame7.setVisible(false);
    w.webtimer.setEnabled(true);
}

void saveCrmCredentials(AppContext& app) {
    auto& w = app.window;
    const auto settings = app.settings();
    settings.set(keys::LMUser, trimSpaces(w.LMUsetTxt.text()));
    settings.set(keys::LMPass, trimSpaces(w.LMPassTxt.text()));
    settings.set(keys::LMWGroup, trimSpaces(w.LMWorkGroupTxT.text()));
    w.LMFrame.setVisible(false);
}

void setProvisioned(AppContext& app, bool on) { app.settings().set(keys::Mon, on ? "True" : ""); }

void openLoginNotes(AppContext& app) {
    const std::string login = app.settings().get(keys::Login);
    app.window.loginTxT.setCaption(login);
    const std::string file = loginFileName(login);
    if (file.empty()) {
        ShowStatus(app, "Notes file refused: the login \"" + login + "\" names a file outside bin.");
        return;
    }
    app.platform.openInEditor(app.root.bin(file));
}

// The Key Pad box shows or hides the pad and keeps the window's place, as its
// tool tip says; the option frames and the chat stay as the agent left them.
void changeKeyPadView(AppContext& app) {
    auto& w = app.window;
    w.form.resize(w.expChk.ticked() ? kKeyPadWidthTwips : kNarrowWidthTwips, kHeightTwips);
    w.leftTxt.setText(std::to_string(w.form.left()));
    w.topTxT.setText(std::to_string(w.form.top()));
    const auto positions = app.root.positions();
    positions.set(keys::Top, std::to_string(w.form.top()));
    positions.set(keys::Left, std::to_string(w.form.left()));

    w.EditTransferPhoneNo.clear();
    for (const auto& number : readListFile(app.root.bin("transfer.txt"), kMaxTransferNumbers))
        w.EditTransferPhoneNo.addItem(number);
    w.EditTransferPhoneNo.setText(app.settings().get(keys::TransferNumber));
    w.EditForwardCallPhoneNo.setText(app.settings().get(keys::Forward));
}

}  // namespace velmora::core
