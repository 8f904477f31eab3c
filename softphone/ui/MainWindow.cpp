#include "MainWindow.h"
#include "WebPanelView.h"

#include "Binding.h"
#include "CallStripView.h"
#include "PageList.h"
#include "panels/RecordTransferPanel.h"
#include "panels/AudioPanel.h"
#include "panels/ChatPanel.h"
#include "panels/IncomingCallPanel.h"

#include "core/PopupMenu.h"
#include "panels/MediaPanels.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>
#include <QTabWidget>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace velmora::ui {
namespace {

QString q(const std::string& s) { return QString::fromStdString(s); }

QLineEdit* edit(core::TextBox& model, bool secret = false) {
    auto* w = new QLineEdit;
    w->setObjectName(q(model.name()));
    if (secret) w->setEchoMode(QLineEdit::Password);
    bind(model, w);
    return w;
}

QCheckBox* check(core::CheckBox& model) {
    auto* w = new QCheckBox;
    w->setObjectName(q(model.name()));
    bind(model, w);
    return w;
}

QPushButton* button(core::Button& model) {
    auto* w = new QPushButton;
    w->setObjectName(q(model.name()));
    bind(model, w);
    return w;
}

QComboBox* combo(core::ComboBox& model) {
    auto* w = new QComboBox;
    w->setObjectName(q(model.name()));
    bind(model, w);
    return w;
}

QListWidget* list(core::ListBox& model) {
    auto* w = new QListWidget;
    w->setObjectName(q(model.name()));
    bind(model, w);
    return w;
}

QGroupBox* frame(core::Frame& model, QLayout* content) {
    auto* w = new QGroupBox;
    w->setObjectName(q(model.name()));
    w->setLayout(content);
    bind(model, w);
    return w;
}

QProgressBar* meter(core::ProgressBar& model, const QString& format) {
    auto* w = new QProgressBar;
    w->setObjectName(q(model.name()));
    w->setFormat(format);
    w->setMaximumHeight(14);
    bind(model, w);
    return w;
}

QLabel* label(core::Label& model) {
    auto* w = new QLabel;
    w->setObjectName(q(model.name()));
    bind(model, w);
    return w;
}

// A right click opens the pop-up menu; the chosen entry goes to `chosen`.
// `shown` leaves out entries with nothing behind them (a page not configured).
void popupOn(QWidget* widget, bool fromBanner, const std::function<void(bool, int)>& chosen,
             const std::function<bool(int)>& shown = {}) {
    widget->setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(widget, &QWidget::customContextMenuRequested, widget, [=](const QPoint& at) {
        const auto origin = fromBanner ? core::MenuOrigin::Banner : core::MenuOrigin::StatusLog;
        QMenu menu;
        for (int entry = 1; entry <= core::kMenuEntries; ++entry)
            if (!shown || shown(entry)) menu.addAction(q(core::menuCaption(origin, entry)))->setData(entry);
        QAction* picked = menu.exec(widget->mapToGlobal(at));
        if (chosen) chosen(fromBanner, picked ? picked->data().toInt() : 0);
    });
}

// A round light: green registered, red failed, grey offline. The button beside
// it names the opposite action, so the light is what tells the state.
QLabel* registrationLight(core::Label& model) {
    auto* w = new QLabel;
    w->setObjectName(q(model.name()));
    w->setFixedSize(14, 14);
    auto sync = [&model, w] {
        const std::string& state = model.caption();
        const char* colour = state == "Registered" ? "#2e9d3a" : state == "Failed" ? "#d0312d" : "#9a9a9a";
        w->setStyleSheet(QString("QLabel { background: %1; border-radius: 7px; }").arg(colour));
        w->setToolTip(q(state));
    };
    model.observe(sync);
    sync();
    return w;
}

QWidget* page(QLayout* layout) {
    auto* w = new QWidget;
    w->setLayout(layout);
    return w;
}

}  // namespace

MainWindow::MainWindow(core::MainWindowModel& m) : model_(m) {
    bind(m.form, this);
    auto* central = new QWidget;
    auto* columns = new QHBoxLayout(central);

    // Left column: banner, toggle, dialling and the status log.
    auto* left = new QVBoxLayout;
    auto* banner = new QLabel;
    banner->setObjectName("mouseMenu");
    banner->setAlignment(Qt::AlignCenter);
    banner->setStyleSheet("QLabel { background: #10365c; color: white; font-weight: bold; padding: 6px; }");
    bind(m.mouseMenu, banner);
    const auto entryShown = [this](int entry) { return !popupEntryShown || popupEntryShown(entry); };
    popupOn(
        banner, true,
        [this](bool b, int e) {
            if (onPopupChosen) onPopupChosen(b, e);
        },
        entryShown);
    left->addWidget(banner);
    auto* onlineRow = new QHBoxLayout;
    onlineRow->addWidget(registrationLight(m.RegLight));
    onlineRow->addWidget(button(m.BtnOnline));
    auto* customer = new QLabel;
    bind(m.customerNumber, customer);
    onlineRow->addWidget(customer, 1);
    left->addLayout(onlineRow);
    auto* dialRow = new QHBoxLayout;
    dialRow->addWidget(edit(m.EditPhoneNo), 1);
    dialRow->addWidget(combo(m.ComboDial));
    left->addLayout(dialRow);
    // Both lines' calls in sight right under the number they were dialled from.
    left->addWidget(callStrip(m));
    auto* callRow = new QHBoxLayout;
    callRow->addWidget(button(m.BtnDial));
    callRow->addWidget(button(m.BtnHangUp));
    callRow->addWidget(button(m.redialPush));
    callRow->addWidget(new QLabel("Seconds"));
    auto* seconds = edit(m.callsec);
    seconds->setReadOnly(true);
    seconds->setMaximumWidth(60);
    callRow->addWidget(seconds);
    left->addLayout(callRow);
    left->addWidget(incomingCallPanel(m));
    auto* optionsRow = new QHBoxLayout;
    optionsRow->addWidget(check(m.autoCheck));
    optionsRow->addWidget(check(m.expChk));
    optionsRow->addStretch(1);
    optionsRow->addWidget(button(m.BtnClearLog));
    left->addLayout(optionsRow);
    auto* statusLog = list(m.ListStatusLog);
    popupOn(
        statusLog, false,
        [this](bool b, int e) {
            if (onPopupChosen) onPopupChosen(b, e);
        },
        entryShown);
    left->addWidget(statusLog, 1);
    auto* meters = new QFormLayout;
    meters->addRow("Mic", meter(m.MicProgress, "%v"));
    meters->addRow("Speaker", meter(m.SpkProgress, "%v"));
    left->addLayout(meters);
    auto* hidden = edit(m.LineStatTxT);
    hidden->hide();
    m.LineStatTxT.setVisible(false);
    left->addWidget(hidden);
    columns->addLayout(left, 2);

    // Right column: pages of panels.
    auto* tabs = new QTabWidget;
    tabs->setObjectName("panels");

    auto* lines = new QVBoxLayout;
    auto* lineStatus = new QTreeWidget;
    lineStatus->setObjectName("ListViewLineStatus");
    bind(m.ListViewLineStatus, lineStatus);
    lines->addWidget(lineStatus);
    auto* selectors = new QFormLayout;
    selectors->addRow("Record line", combo(m.ComboRecord));
    selectors->addRow("Play into line", combo(m.ComboPlayWave));
    selectors->addRow("Incoming line", combo(m.ComboIncomingCall));
    selectors->addRow("Transfer line", combo(m.ComboTransferCall));
    selectors->addRow("Transfer to", combo(m.EditTransferPhoneNo));
    selectors->addRow("Forward to", edit(m.EditForwardCallPhoneNo));
    selectors->addRow("Consult line A", combo(m.ComboConsultLineA));
    selectors->addRow("Consult line B", combo(m.ComboConsultLineB));
    lines->addLayout(selectors);
    tabs->addTab(page(lines), "Lines");
    tabs->addTab(chatPanel(m), "Chat");

    auto* pad = new QVBoxLayout;
    auto* keys = new QGridLayout;
    struct Key {
        core::Button* key;
        core::Label* letters;
        int row, column;
    };
    const Key layout[] = {
        {&m.BtnDialPad1, nullptr, 0, 0},    {&m.BtnDialPad2, &m.abctxt, 0, 1},  {&m.BtnDialPad3, &m.ctText1, 0, 2},
        {&m.BtnDialPad4, &m.ctText2, 1, 0}, {&m.BtnDialPad5, &m.ctText3, 1, 1}, {&m.BtnDialPad6, &m.ctText4, 1, 2},
        {&m.BtnDialPad7, &m.ctText5, 2, 0}, {&m.BtnDialPad8, &m.ctText6, 2, 1}, {&m.BtnDialPad9, &m.ctText7, 2, 2},
        {&m.BtnDialPadStar, nullptr, 3, 0}, {&m.BtnDialPad0, &m.ctText8, 3, 1}, {&m.BtnDialPadNo, nullptr, 3, 2}};
    for (const auto& k : layout) {
        auto* cell = new QVBoxLayout;
        auto* key = button(*k.key);
        key->setMinimumHeight(34);
        cell->addWidget(key);
        if (k.letters) {
            auto* letters = label(*k.letters);
            letters->setAlignment(Qt::AlignCenter);
            cell->addWidget(letters);
        } else {
            cell->addWidget(new QLabel(" "));
        }
        keys->addLayout(cell, k.row, k.column);
    }
    pad->addLayout(keys);
    pad->addWidget(button(m.Command1));
    auto* volumes = new QFormLayout;
    auto* mic = new QSlider(Qt::Horizontal);
    bind(m.SliderMicVol, mic);
    auto* speaker = new QSlider(Qt::Horizontal);
    bind(m.SliderSpkVol, speaker);
    volumes->addRow("Microphone volume", mic);
    volumes->addRow("Speaker volume", speaker);
    pad->addLayout(volumes);
    pad->addWidget(check(m.CheckMicBoost));
    pad->addWidget(check(m.CheckStartRecording));
    pad->addStretch(1);
    tabs->insertTab(0, page(pad), "Key Pad");

    auto* account = new QVBoxLayout;
    auto* accountForm = new QFormLayout;
    accountForm->addRow("Display name", edit(m.EditAccountDisplayName));
    accountForm->addRow("User name", edit(m.EditAccountUserName));
    accountForm->addRow("Auth login", edit(m.EditAccountAuthLogin));
    accountForm->addRow("Password", edit(m.EditAccountAuthPassword, true));
    accountForm->addRow("SIP proxy", edit(m.EditAccountSIPProxy));
    accountForm->addRow("Outbound proxy", edit(m.EditAccountDomain));
    accountForm->addRow("Lines", edit(m.EditTotalLine));
    accountForm->addRow("Click-to-dial length", edit(m.swipeLengthTxT));
    account->addLayout(accountForm);
    auto* provisioning = new QFormLayout;
    provisioning->addRow("Provisioning code", edit(m.Text1, true));
    provisioning->addRow("Portal user", edit(m.Text2));
    provisioning->addRow("Portal password", edit(m.Text3, true));
    provisioning->addRow(button(m.SaveCustNum));
    account->addWidget(frame(m.Frame7, provisioning));
    auto* switches = new QHBoxLayout;
    switches->addWidget(label(m.Label18));
    switches->addWidget(label(m.Label21));
    switches->addStretch(1);
    switches->addWidget(button(m.editSk1));
    switches->addWidget(label(m.loginTxT));
    account->addLayout(switches);
    auto* position = new QHBoxLayout;
    position->addWidget(new QLabel("Window left"));
    position->addWidget(edit(m.leftTxt));
    position->addWidget(new QLabel("top"));
    position->addWidget(edit(m.topTxT));
    account->addLayout(position);
    auto* crm = new QFormLayout;
    crm->addRow("User", edit(m.LMUsetTxt));
    crm->addRow("Password", edit(m.LMPassTxt, true));
    crm->addRow("Work group", edit(m.LMWorkGroupTxT));
    crm->addRow(button(m.saveHidePush));
    account->addWidget(frame(m.LMFrame, crm));
    account->addStretch(1);
    tabs->addTab(page(account), "Account");

    auto* options = new QVBoxLayout;
    auto* status = new QGridLayout;
    int row = 0;
    for (core::CheckBox* box : {&m.CheckRegisterToProxy, &m.CheckCaptureSoundDevice, &m.CheckEchoCancel,
                                &m.CheckPlayDialTone, &m.CheckForceInbandDTMF, &m.cidCheck})
        status->addWidget(check(*box), row++, 0);
    auto* codecs = new QVBoxLayout;
    for (core::CheckBox* box : {&m.CheckG711U, &m.CheckG729, &m.CheckG711A, &m.CheckGSM610, &m.CheckiLBC})
        codecs->addWidget(check(*box));
    auto* codecFrame = new QGroupBox(" Supported Voice Codecs");
    codecFrame->setLayout(codecs);
    status->addWidget(codecFrame, 0, 1, row, 1);
    options->addWidget(frame(m.SysStatFrm, status));
    auto* devices = new QFormLayout;
    devices->addRow("Microphone", list(m.ListAudioIn));
    devices->addRow("Speaker", list(m.ListAudioOut));
    options->addWidget(frame(m.audioFrm, devices));
    tabs->addTab(page(options), "Options");
    tabs->addTab(buildAudioPanel(m), "Audio");

    addMediaPages(tabs, m);

    auto* web = new QVBoxLayout;
    auto* browser = makeWebPanel(m.WebBrowser1, [this] { return panelAuthorities ? panelAuthorities() : std::filesystem::path(); });
    web->addWidget(browser);
    tabs->addTab(page(web), "Web");

    tabs->addTab(recordTransferPanel(m), "Record && Transfer");
    tabs->setCurrentIndex(0);
    pageList_ = new PageList(tabs);
    columns->addWidget(pageList_, 3);
    // The Key Pad box shows or hides the pad, as its tool tip says.
    auto padShown = [this, &m] {
        pageList_->setPageVisible("Key Pad", m.expChk.ticked());
        if (m.expChk.ticked()) pageList_->showPage("Key Pad");
    };
    m.expChk.observe(padShown);
    padShown();
    setCentralWidget(central);

    auto* menu = menuBar()->addMenu("&File");
    menu->addAction("&Customer Number", [&m] { m.custNumCmd.click(); });
    menu->addAction("CRM &Log In", [&m] { m.LMFrame.setVisible(true); });
    menu->addAction("&Notes", [&m] { m.editSk1.click(); });
    menu->addSeparator();
    menu->addAction("E&xit", [&m] { m.exitcmd.click(); });
    // The option frames can be hidden (the key-pad view, a double click); these bring them back.
    auto* view = menuBar()->addMenu("&View");
    view->addAction("&System Status", [&m] { m.SysStatFrm.setVisible(true); });
    view->addAction("&Audio Devices", [&m] { m.audioFrm.setVisible(true); });
    resize(1100, 680);
}

// The agent moved the window: the model keeps its real place, in twips, for
// the position file and for the move before a message box.
void MainWindow::moveEvent(QMoveEvent* event) {
    QMainWindow::moveEvent(event);
    const int left = pos().x() * kTwipsPerPixel, top = pos().y() * kTwipsPerPixel;
    if (left != model_.form.left() || top != model_.form.top()) model_.form.move(left, top);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (!onCloseRequested) return QMainWindow::closeEvent(event);
    event->ignore();
    onCloseRequested();
}

}  // namespace velmora::ui
