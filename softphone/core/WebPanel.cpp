#include "WebPanel.h"

#include "AppContext.h"
#include "Provisioning.h"
#include "Startup.h"
#include "settings/IniFiles.h"
#include "TextRules.h"

namespace velmora::core {
namespace {}  // namespace

std::string activeExtensionsAddress(const AppContext& app, bool withCredentials) {
    const auto& w = app.window;
    std::string address = "http://pbx" + app.state.accountNumber + "." +
                          app.root.deployment().get(keys::ServiceDomain) +
                          "/app/active_extensions/active_extensions.php";
    if (withCredentials)
        address += "?username=" + trimSpaces(w.Text2.text()) + "&password=" + trimSpaces(w.Text3.text());
    return address;
}

void runWebPanel(AppContext& app) {
    auto& w = app.window;
    w.WebBrowser1.setVisible(true);
    const auto settings = app.settings();
    if (settings.get(keys::Mon) != "True") {
        w.WebBrowser1.navigate(app.root.deployment().get(keys::StartPage));
        w.webtimer.setEnabled(false);
        w.Frame7.setVisible(true);
        return;
    }
    const std::string customer = settings.get(keys::customerNumber);
    w.customerNumber.setCaption("Cust#: " + customer);
    app.state.accountNumber = splitProvisioningCode(customer).accountNumber;
    w.WebBrowser1.navigate(activeExtensionsAddress(app, !w.Text1.text().empty()));
    w.OnLineTimer.setEnabled(true);
    w.BtnOnline.setVisible(true);
    w.webtimer.setEnabled(false);
    w.form.setCaption(windowTitle(settings.get(keys::customerNumberLine), app.state.versionText));
}

}  // namespace velmora::core
