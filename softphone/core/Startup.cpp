#include "Startup.h"

#include "AppContext.h"
#include "settings/IniFiles.h"
#include "settings/ListFile.h"

#include <charconv>

namespace velmora::core {
namespace {

constexpr std::size_t kMaxAgents = 49;
constexpr std::size_t kMaxMonitorEntries = 49;

void fillList(ListBox& list, const std::vector<std::string>& items) {
    for (const auto& item : items) list.addItem(item);
}

}  // namespace

std::string windowTitle(const std::string& customerNumber, const std::string& versionText) {
    return "Velmora Software" + std::string(14, ' ') + "Customer Number - " + customerNumber +
           std::string(25, ' ') + "Ver. " + versionText;
}

std::string loginFileName(const std::string& login) {
    if (login.find('/') != std::string::npos || login.find('\\') != std::string::npos ||
        login.find("..") != std::string::npos || login.find('\0') != std::string::npos)
        return "";
    return login + ".txt";
}

void applyInBandSetting(AppContext& app) {
    app.state.inBandSetting = INIread(app.settingsFile(), kSystemSection, "InBand");
    if (app.state.inBandSetting == "True") app.window.CheckForceInbandDTMF.setValue(1);
    else if (app.state.inBandSetting == "False") app.window.CheckForceInbandDTMF.setValue(0);
}

void loadWindow(AppContext& app, bool anotherInstanceRunning) {
    if (anotherInstanceRunning) {
        app.platform.forceQuit();
        return;
    }
    auto& w = app.window;
    const auto ini = app.settingsFile();
    const auto web = app.root.bin("websettings.ini");
    const std::string sys = kSystemSection;
    auto profile = [&](const char* key) { return GetProfileSetting(sys, key, ini); };
    auto text = [&](const char* key) { return INIread(ini, sys, key); };

    INIwrite(web, sys, "CLICK", "ON");

    const std::string customer = profile("customerNumber");
    w.customerNumber.setCaption("Cust#: " + customer);
    w.Text1.setText(customer);
    w.EditAccountDisplayName.setText(profile("DisplayName"));
    w.EditAccountUserName.setText(profile("Login"));
    w.EditAccountAuthLogin.setText(profile("AuthLogin"));
    w.EditAccountAuthPassword.setText(profile("Password"));
    w.EditAccountSIPProxy.setText(profile("SIPProxy"));
    w.EditAccountDomain.setText(profile("OutBoundProxy"));
    w.Text2.setText(profile("userweb"));
    w.Text3.setText(profile("passweb"));
    w.EditTotalLine.setText("2");
    w.EditAccountSIPProxy.setText("pbx" + w.EditAccountSIPProxy.text());
    w.EditAccountDomain.setText("pbx" + w.EditAccountDomain.text());

    w.SysStatFrm.setVisible(false);
    if (text("clickshow123") == "True") w.SysStatFrm.setVisible(true);

    app.state.versionText = kVersionText;
    applyInBandSetting(app);
    w.EditForwardCallPhoneNo.setText(text("Forward"));
    {
        // A value that is not a check-box value (0, 1, 2) is skipped, as any failing step.
        const std::string autoCid = text("AutoCid");
        int value = -1;
        auto [end, ec] = std::from_chars(autoCid.data(), autoCid.data() + autoCid.size(), value);
        if (ec == std::errc() && end == autoCid.data() + autoCid.size() && value >= 0 && value <= 2)
            w.cidCheck.setValue(value);
    }
    w.LMUsetTxt.setText(text("LMUser"));
    w.LMPassTxt.setText(text("LMPass"));
    w.LMWorkGroupTxT.setText(text("LMWGroup"));

    w.ListViewLineStatus.setColumns({"#", "Status"});

    const std::string titleNumber = text("customernumber");
    w.EditTotalLine.setText("2");
    w.form.setCaption(windowTitle(titleNumber, app.state.versionText));

    INIwrite(web, sys, "Click", "ON");

    fillList(w.agentList, readListFile(app.root.bin("agentlist.txt"), kMaxAgents));
    w.EditTransferPhoneNo.setText(text("TransferNumber"));
    if (const auto monitorFile = loginFileName(w.EditAccountAuthLogin.text()); !monitorFile.empty())
        fillList(w.MonList, readListFile(app.root.bin(monitorFile), kMaxMonitorEntries));
}

}  // namespace velmora::core
