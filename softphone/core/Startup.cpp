#include "Startup.h"

#include "AppContext.h"
#include "Timers.h"
#include "Diagnostics.h"
#include "Provisioning.h"
#include "settings/IniFiles.h"
#include "settings/ListFile.h"

#include <charconv>
#include <filesystem>

namespace velmora::core {
namespace {

constexpr std::size_t kMaxAgents = 49;
constexpr std::size_t kMaxMonitorEntries = 49;

void fillList(ListBox& list, const std::vector<std::string>& items) {
    for (const auto& item : items) list.addItem(item);
}

}  // namespace

std::string windowTitle(const std::string& customerNumber, const std::string& versionText) {
    return "Velmora Software" + std::string(14, ' ') + "Customer Number - " + maskedProvisioningCode(customerNumber) +
           std::string(25, ' ') + "Ver. " + versionText;
}

std::string loginFileName(const std::string& login) {
    if (login.find('/') != std::string::npos || login.find('\\') != std::string::npos ||
        login.find("..") != std::string::npos || login.find('\0') != std::string::npos)
        return "";
    return login + ".txt";
}

void keepSettingsPrivate(const AppContext& app) {
    const auto file = app.root.settingsFile();
    std::error_code ec;
    const auto status = std::filesystem::status(file, ec);
    if (ec || !std::filesystem::is_regular_file(status)) return;
    using std::filesystem::perms;
    if ((status.permissions() & (perms::group_all | perms::others_all)) == perms::none) return;
    std::filesystem::permissions(file, perms::owner_read | perms::owner_write, ec);
    diagnostic(ec ? file.string() + " is readable by others and could not be made private: " + ec.message()
                  : file.string() + " was readable by others; it is now readable by its owner alone");
}

void applyInBandSetting(AppContext& app) {
    app.state.inBandSetting = app.settings().get(keys::InBand);
    if (app.state.inBandSetting == "True")
        app.window.CheckForceInbandDTMF.setValue(1);
    else if (app.state.inBandSetting == "False")
        app.window.CheckForceInbandDTMF.setValue(0);
}

void loadWindow(AppContext& app, bool anotherInstanceRunning) {
    if (anotherInstanceRunning) {
        app.platform.forceQuit();
        return;
    }
    keepSettingsPrivate(app);
    auto& w = app.window;
    const auto settings = app.settings();
    const auto web = app.root.webSettings();

    web.set(keys::CLICK, "ON");

    const std::string customer = settings.get(keys::customerNumber);
    w.customerNumber.setCaption("Cust#: " + maskedProvisioningCode(customer));
    w.Text1.setText(customer);
    w.EditAccountDisplayName.setText(settings.get(keys::DisplayName));
    w.EditAccountUserName.setText(settings.get(keys::Login));
    w.EditAccountAuthLogin.setText(settings.get(keys::AuthLogin));
    w.EditAccountAuthPassword.setText(settings.get(keys::Password));
    w.EditAccountSIPProxy.setText(settings.get(keys::SIPProxy));
    w.EditAccountDomain.setText(settings.get(keys::OutBoundProxy));
    w.Text2.setText(settings.get(keys::Userweb));
    w.Text3.setText(settings.get(keys::passweb));
    w.EditTotalLine.setText("2");
    w.EditAccountSIPProxy.setText("pbx" + w.EditAccountSIPProxy.text());
    w.EditAccountDomain.setText("pbx" + w.EditAccountDomain.text());

    w.SysStatFrm.setVisible(false);
    if (settings.get(keys::clickshow123) == "True") w.SysStatFrm.setVisible(true);

    app.state.versionText = kVersionText;
    applyInBandSetting(app);
    w.EditForwardCallPhoneNo.setText(settings.get(keys::Forward));
    {
        // cidCheck stores "True" or "False"; a check-box value (0, 1, 2) is taken
        // as it stands; anything else is skipped, as any failing step.
        const std::string autoCid = settings.get(keys::AutoCid);
        int value = -1;
        auto [end, ec] = std::from_chars(autoCid.data(), autoCid.data() + autoCid.size(), value);
        if (autoCid == "True")
            w.cidCheck.setValue(1);
        else if (autoCid == "False")
            w.cidCheck.setValue(0);
        else if (ec == std::errc() && end == autoCid.data() + autoCid.size() && value >= 0 && value <= 2)
            w.cidCheck.setValue(value);
    }
    w.LMUsetTxt.setText(settings.get(keys::LMUser));
    w.LMPassTxt.setText(settings.get(keys::LMPass));
    w.LMWorkGroupTxT.setText(settings.get(keys::LMWGroup));

    w.ListViewLineStatus.setColumns({"#", "Status"});

    const std::string titleNumber = settings.get(keys::customerNumberLine);
    w.EditTotalLine.setText("2");
    w.form.setCaption(windowTitle(titleNumber, app.state.versionText));

    web.set(keys::Click, "ON");

    fillList(w.agentList, readListFile(app.root.bin("agentlist.txt"), kMaxAgents));
    w.EditTransferPhoneNo.setText(settings.get(keys::TransferNumber));
    if (const auto monitorFile = loginFileName(w.EditAccountAuthLogin.text()); !monitorFile.empty())
        fillList(w.MonList, readListFile(app.root.bin(monitorFile), kMaxMonitorEntries));
    scheduleSettingsCheck(app);
}

}  // namespace velmora::core
