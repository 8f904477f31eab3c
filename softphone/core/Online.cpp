#include "Online.h"

#include "AppContext.h"
#include "EngineVolumes.h"
#include "ErrorReporter.h"
#include "Provisioning.h"
#include "StatusLog.h"
#include "WebPanel.h"
#include "settings/IniFiles.h"
#include "TextRules.h"

#include <functional>
#include <string>

namespace velmora::core {
namespace {

constexpr long kRegistrationExpiry = 1800;
constexpr long kEngineInterval = 30;
constexpr int kWebPageDelayMs = 1000;

void showMessage(AppContext& app, const std::string& text) {
    moveWindowForMessage(app);
    app.platform.messageBox(text, MessageStyle::Ok);
}

int lineCountOf(const std::string& text) {
    try {
        return std::max(0, std::stoi(text));
    } catch (...) {
        return 0;
    }
}

bool startEngine(AppContext& app, std::string& localAddress, int lines) {
    auto& w = app.window;
    for (long port = kFirstSipPort; port <= kLastSipPort; ++port) {
        if (app.engine.InitializeEngine(false, localAddress, port, w.EditAccountUserName.text(),
                                        w.EditAccountAuthLogin.text(), w.EditAccountAuthPassword.text(),
                                        trimSpaces(w.EditAccountDisplayName.text()), w.EditAccountDomain.text(),
                                        w.EditAccountSIPProxy.text(), "", w.CheckCaptureSoundDevice.ticked(), lines))
            return true;
        if (app.engine.GetLastEngineError() != engine::kPortInUse) {
            ReportEngineError(app);
            return false;
        }
    }
    showMessage(app, "Can not open SIP communication port.");
    return false;
}

bool openLines(AppContext& app, const std::string& localAddress, int lines) {
    long port = kFirstRtpPort;
    int retries = 0;
    for (int line = 0; line < lines;) {
        const bool opened = app.engine.OpenLine(line, false, localAddress, port);
        port += 2;
        if (opened) {
            ++line;
            continue;
        }
        if (app.engine.GetLastEngineError() != engine::kPortInUse) {
            ReportEngineError(app);
            return false;
        }
        if (++retries >= lines + 1000) {
            showMessage(app, "Unable to open RTP communication port.");
            return false;
        }
    }
    return true;
}

void fillDeviceList(ListBox& list, long count, const std::function<std::string(long)>& name) {
    list.clear();
    list.addItem("Default Device");
    for (long i = 0; i < count; ++i) list.addItem(name(i));
    list.setListIndex(0);
}

}  // namespace

bool isOnline(const AppContext& app) { return app.window.BtnOnline.caption() == "Offline"; }

void reloadAccount(AppContext& app) {
    auto& w = app.window;
    const auto settings = app.settings();
    app.state.useSipTapi = settings.get(keys::UseSipTapi) == "True";
    const std::string customer = settings.get(keys::customerNumber);
    w.customerNumber.setCaption("Cust#: " + maskedProvisioningCode(customer));
    app.state.accountNumber = splitProvisioningCode(customer).accountNumber;
    w.EditAccountDisplayName.setText(settings.get(keys::DisplayName));
    w.EditAccountUserName.setText(settings.get(keys::Login));
    w.EditAccountAuthLogin.setText(settings.get(keys::AuthLogin));
    w.EditAccountAuthPassword.setText(settings.get(keys::Password));
    w.EditAccountSIPProxy.setText("pbx" + settings.get(keys::SIPProxy));
    w.EditAccountDomain.setText("pbx" + settings.get(keys::OutBoundProxy));
    const std::string swipe = settings.get(keys::swipeSize);
    w.swipeLengthTxT.setText(swipe.empty() ? "14" : swipe);
}

void toggleOnline(AppContext& app) {
    reloadAccount(app);
    if (isOnline(app))
        goOffline(app);
    else
        goOnline(app);
}

void fillLineLists(AppContext& app) {
    auto& w = app.window;
    for (ComboBox* combo : {&w.ComboDial, &w.ComboRecord, &w.ComboPlayWave, &w.ComboIncomingCall, &w.ComboTransferCall,
                            &w.ComboConsultLineA, &w.ComboConsultLineB, &w.ComboMuteLine}) {
        combo->clear();
        for (int line = 0; line < app.state.lineCount; ++line) combo->addItem("Line-" + std::to_string(line + 1));
        combo->setListIndex(combo == &w.ComboConsultLineB ? 1 : 0);
    }
}

void goOnline(AppContext& app) {
    auto& w = app.window;
    auto& engine = app.engine;
    w.EditTotalLine.setText("2");
    const int lines = lineCountOf(w.EditTotalLine.text());
    if (w.EditAccountUserName.text().empty()) {
        showMessage(app, "Please enter the SIP proxy Login Id.");
        return;
    }
    engine.SetProductTag(kProductTag);
    std::string localAddress = engine.GetLocalAddress();
    if (!startEngine(app, localAddress, lines)) return;
    if (!openLines(app, localAddress, lines)) return;
    if (w.CheckRegisterToProxy.ticked()) {
        if (!engine.RegisterToProxy(kRegistrationExpiry)) {
            ReportEngineError(app);
            return;
        }
        ShowStatus(app, "Registering to SIP Proxy.");
    }
    if (w.CheckEchoCancel.ticked())
        engine.EnableEchoCancel();
    else
        engine.DisableEchoCancel();
    engine.ClearCodecSelection();
    const std::pair<CheckBox*, long> codecs[] = {
        {&w.CheckG711U, 3}, {&w.CheckG729, 4}, {&w.CheckG711A, 2}, {&w.CheckGSM610, 0}, {&w.CheckiLBC, 1}};
    for (const auto& [box, codec] : codecs)
        if (box->ticked()) engine.SelectCodec(codec);
    engine.SetEngineInterval(kEngineInterval);
    engine.SetProductTag(kProductTag);

    app.state.lineCount = lines;
    app.state.ringBackOn = w.CheckPlayDialTone.ticked();
    app.state.lineSpeakerMuted.assign(lines, false);
    app.state.lineMicMuted.assign(lines, false);
    w.BtnOnline.setCaption("Offline");
    w.EditTotalLine.setEnabled(false);

    fillDeviceList(w.ListAudioIn, engine.GetInputDeviceCount(), [&](long i) { return engine.GetInputDeviceName(i); });
    fillDeviceList(w.ListAudioOut, engine.GetOutputDeviceCount(),
                   [&](long i) { return engine.GetOutputDeviceName(i); });
    fillLineLists(app);
    showEngineVolumes(app);
    w.TimerTick.setEnabled(true);
    w.TimerProgressBar.setEnabled(true);

    msDelay(app.loop, kWebPageDelayMs);
    if (const auto address = activeExtensionsAddress(app, false); !address.empty()) w.WebBrowser1.navigate(address);
}

void goOffline(AppContext& app) {
    auto& w = app.window;
    w.TimerTick.setEnabled(false);
    w.TimerProgressBar.setEnabled(false);
    w.SpkProgress.setValue(0);
    w.MicProgress.setValue(0);
    app.engine.ShutdownEngine();
    w.BtnOnline.setCaption("Online");
    w.RegLight.setCaption("Offline");
    w.EditTotalLine.setEnabled(true);
    w.ListAudioIn.clear();
    w.ListAudioOut.clear();
    w.ListViewLineStatus.clearRows();
    w.dialerOnDDE.setText("OFF");
    w.autoCheck.setEnabled(false);
}

}  // namespace velmora::core
