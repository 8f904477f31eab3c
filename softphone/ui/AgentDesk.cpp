#include "AgentDesk.h"

#include "GlobalHotkeys.h"
#include "MainWindow.h"
#include "PageList.h"
#include "QtPlatform.h"

#include "calls/CallHistory.h"
#include "calls/QuickActions.h"
#include "core/Shutdown.h"
#include "core/StatusLog.h"
#include "core/settings/IniFiles.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeySequenceEdit>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QSoundEffect>
#include <QSystemTrayIcon>
#include <QTabWidget>
#include <QTextBrowser>
#include <QTimer>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>

#include <map>

namespace velmora::ui {
namespace {

using calls::QuickAction;

QString q(const std::string& s) { return QString::fromStdString(s); }

constexpr const char* kTraySection = "Tray";

bool trayWanted(const std::filesystem::path& settings) {
    return core::GetProfileSetting(kTraySection, "Enabled", settings) != "False";
}

// A text from the network as a tool tip may show it: no markup characters.
QString plain(const std::string& text) {
    QString s = q(text);
    s.remove('<').remove('>').remove('&');
    return s;
}

// A history row that sorts its seconds and times as numbers and dates.
class HistoryItem : public QTreeWidgetItem {
public:
    using QTreeWidgetItem::QTreeWidgetItem;
    bool operator<(const QTreeWidgetItem& other) const override {
        const int column = treeWidget() ? treeWidget()->sortColumn() : 0;
        const QVariant a = data(column, Qt::UserRole + 1), b = other.data(column, Qt::UserRole + 1);
        if (a.isValid() && b.isValid()) return a.toLongLong() < b.toLongLong();
        return QTreeWidgetItem::operator<(other);
    }
};

long long sortableTime(const calls::HistoryEntry& e) {
    int h = 0, m = 0, s = 0;
    std::sscanf(e.time.c_str(), "%d:%d:%d", &h, &m, &s);
    return static_cast<long long>(e.day) * 86400 + h * 3600 + m * 60 + s;
}

}  // namespace

std::filesystem::path agentGuideFile() {
    const std::filesystem::path installed =
        std::filesystem::path(QCoreApplication::applicationDirPath().toStdString()) /
        "../share/doc/velmoraapp/agent-guide.md";
    std::error_code ec;
    if (std::filesystem::exists(installed, ec)) return installed;
    return std::filesystem::path(VELMORA_SOURCE_DOCS) / "agent-guide.md";
}

AgentDesk::AgentDesk(core::AppContext& app, MainWindow& window, QtPlatform& platform)
    : QObject(&window), app_(app), window_(window), platform_(platform) {
    global_ = std::make_unique<GlobalHotkeys>(
        [this](const QString& id) {
            if (id == "media-phone") return void(calls::headsetCallKey(app_));
            for (const auto& info : calls::quickActions())
                if (id == info.key) run(static_cast<int>(info.action));
        },
        [this](const QString& problem) { core::ShowStatus(app_, problem.toStdString()); });
    buildMenus();
    buildHistoryPage();
    buildHotkeyOptions();
    // The tray and the key grabs talk to the desktop (D-Bus, the X server):
    // done once the window is up, so its start does not wait for them.
    QTimer::singleShot(0, this, [this] {
        buildTray();
        applyHotkeys();
    });

    // The offered call's notification answers or refuses that call, not
    // whichever is chosen in the panel at that moment.
    platform.offeredCallId = [&app] {
        const auto& ids = app.window.ListIncomingCallIds.lines();
        return ids.empty() ? std::string() : ids.back();
    };
    platform.onCallAction = [this](const std::string& id, bool answer) {
        const bool done = answer ? calls::answerOffered(app_, id) : calls::rejectOffered(app_, id);
        if (!done) core::ShowStatus(app_, "That call is no longer ringing.");
        if (done && answer) showWindow();
    };

    // Policy is offered only where a page is configured; Help opens the
    // agent guide unless the provider has a help page of its own.
    window.popupEntryShown = [&app](int entry) {
        return entry != 6 || !app.root.deployment().get(core::keys::PolicyAddress).empty();
    };
    window.onPopupChosen = [this, chosen = window.onPopupChosen](bool fromBanner, int entry) {
        if (entry == 7 && app_.root.deployment().get(core::keys::HelpAddress).empty()) {
            if (chosen) chosen(fromBanner, 0);  // the menu's own step before any entry
            showGuide();
            return;
        }
        if (chosen) chosen(fromBanner, entry);
    };

    auto& w = app.window;
    for (core::Control* c : {static_cast<core::Control*>(&w.RegLight), static_cast<core::Control*>(&w.Frame7)})
        c->observe([this] { refreshProvisioned(); });
    refreshProvisioned();
}

AgentDesk::~AgentDesk() = default;

// The Account page's "Provisioned" reads the settings the window runs on:
// an account code and the provisioned flag in bin/velmoraapp.ini.
void AgentDesk::refreshProvisioned() {
    const auto settings = app_.settings();
    const bool provisioned =
        settings.get(core::keys::Mon) == "True" && !settings.get(core::keys::customerNumber).empty();
    const std::string caption = provisioned ? "Yes" : "Not provisioned";
    if (app_.window.Label21.caption() != caption) app_.window.Label21.setCaption(caption);
}

void AgentDesk::run(int action) {
    // One press, one act: a key both grabbed and seen by the window counts once.
    static QElapsedTimer last;
    static int lastAction = -1;
    if (lastAction == action && last.isValid() && last.elapsed() < 250) return;
    lastAction = action;
    last.start();
    calls::runQuickAction(app_, static_cast<QuickAction>(action));
}

void AgentDesk::buildMenus() {
    auto& w = app_.window;
    auto* callMenu = window_.menuBar()->addMenu("&Call");
    callMenu->setObjectName("callMenu");
    for (const auto& info : calls::quickActions()) {
        QAction* item = callMenu->addAction(info.label);
        item->setObjectName(QString("action") + info.key);
        item->setShortcutContext(Qt::WindowShortcut);
        const int action = static_cast<int>(info.action);
        connect(item, &QAction::triggered, this, [this, action] { run(action); });
        actionItems_.push_back(item);
    }
    // A headset's or keyboard's call keys, in the window (and globally, below).
    for (auto [key, headset] : {std::pair{Qt::Key_Phone, true}, {Qt::Key_MediaPlay, true},
                                {Qt::Key_MediaTogglePlayPause, true}, {Qt::Key_MicMute, false}}) {
        auto* item = new QAction(&window_);
        item->setShortcut(QKeySequence(key));
        connect(item, &QAction::triggered, this, [this, headset = headset] {
            if (headset)
                calls::headsetCallKey(app_);
            else
                run(static_cast<int>(QuickAction::Mute));
        });
        window_.addAction(item);
        mediaItems_.push_back(item);
    }

    auto* logs = window_.menuBar()->addMenu("&Logs");
    logs->addAction("Call &Logs", [this] { window_.pages()->showPage("History"); })->setObjectName("menuCallLogs");
    logs->addAction("&Recordings", [this] { platform_.showProgramWindow(core::ProgramWindow::Recordings); })
        ->setObjectName("menuRecordings");
    logs->addAction("&Missed Calls", [&w] { w.missedcall.click(); })->setObjectName("menuMissedCalls");

    auto* help = window_.menuBar()->addMenu("&Help");
    auto* guide = help->addAction("Agent &Guide", [this] { showGuide(); });
    guide->setObjectName("menuAgentGuide");
    guide->setShortcut(QKeySequence::HelpContents);
    const std::string policy = app_.root.deployment().get(core::keys::PolicyAddress);
    if (!policy.empty())
        help->addAction("&Policy", [this, policy] { app_.platform.openUrl(policy); })->setObjectName("menuPolicy");
    const std::string provider = app_.root.deployment().get(core::keys::HelpAddress);
    if (!provider.empty())
        help->addAction("Provider &Help", [this, provider] { app_.platform.openUrl(provider); });
    help->addSeparator();
    help->addAction("&About", [this] { platform_.showProgramWindow(core::ProgramWindow::About); })
        ->setObjectName("menuAbout");
}

void AgentDesk::applyHotkeys() {
    const calls::HotkeySettings keys = calls::loadHotkeys(app_.settingsFile());
    auto& w = app_.window;
    std::vector<GlobalHotkeys::Key> global;
    for (std::size_t i = 0; i < calls::kQuickActions; ++i) {
        const auto& info = calls::quickActions()[i];
        const QKeySequence sequence = QKeySequence::fromString(q(keys.keys[i]), QKeySequence::PortableText);
        actionItems_[i]->setShortcut(sequence);
        const QString shown = sequence.toString(QKeySequence::NativeText);
        const std::string hint = shown.isEmpty() ? std::string() : " (" + shown.toStdString() + ")";
        auto tip = [&](core::Control& c, const std::string& text) { c.setToolTip(text + hint); };
        switch (info.action) {
        case QuickAction::Answer: tip(w.BtnAccept, "Answer the chosen call"); break;
        case QuickAction::Reject: tip(w.BtnReject, "Refuse the chosen call"); break;
        case QuickAction::HangUp:
            tip(w.BtnHangUp, "End the call of the line chosen beside the number");
            tip(w.StripHangUp1, "End line 1's call");
            tip(w.StripHangUp2, "End line 2's call");
            break;
        case QuickAction::Hold:
            tip(w.StripHold1, "Hold or unhold line 1's call");
            tip(w.StripHold2, "Hold or unhold line 2's call");
            break;
        case QuickAction::Mute:
            tip(w.StripMute1, "Mute or unmute your microphone on line 1");
            tip(w.StripMute2, "Mute or unmute your microphone on line 2");
            break;
        case QuickAction::DoNotDisturb: tip(w.CheckDisturb, "Refuse every offered call while ticked"); break;
        case QuickAction::Redial: tip(w.redialPush, "Dial the last number again"); break;
        }
        if (keys.global && !sequence.isEmpty()) global.push_back({info.key, info.label, sequence});
    }
    for (QAction* media : mediaItems_) media->setEnabled(keys.mediaKeys);
    if (keys.global && keys.mediaKeys) {
        global.push_back({"media-phone", "Headset call key", QKeySequence(Qt::Key_Phone)});
        global.push_back({"media-phone", "Headset play key", QKeySequence(Qt::Key_MediaPlay)});
        global.push_back({"Mute", "Headset mute key", QKeySequence(Qt::Key_MicMute)});
    }
    global_->setKeys(global);
    if (tray_) {
        if (trayWanted(app_.settingsFile()))
            tray_->show();
        else
            tray_->hide();
    }
}

void AgentDesk::buildHotkeyOptions() {
    QTabWidget* pages = window_.pages()->pages();
    QWidget* options = nullptr;
    for (int i = 0; i < pages->count(); ++i)
        if (pageTitle(pages, i) == "Options") options = pages->widget(i);
    if (!options || !options->layout()) return;
    auto* frame = new QGroupBox("Hotkeys");
    frame->setObjectName("hotkeyFrame");
    auto* grid = new QGridLayout(frame);
    grid->setVerticalSpacing(2);
    const calls::HotkeySettings keys = calls::loadHotkeys(app_.settingsFile());
    std::vector<QKeySequenceEdit*> edits;
    for (std::size_t i = 0; i < calls::kQuickActions; ++i) {
        const auto& info = calls::quickActions()[i];
        auto* edit = new QKeySequenceEdit(QKeySequence::fromString(q(keys.keys[i]), QKeySequence::PortableText));
        edit->setObjectName(QString("hotkey") + info.key);
        edit->setToolTip(QString("Press the keys for %1; Clear switches it off. Default %2")
                             .arg(info.label, info.defaultKey));
        const int row = static_cast<int>(i) % 4, column = static_cast<int>(i) / 4 * 2;
        grid->addWidget(new QLabel(info.label), row, column);
        grid->addWidget(edit, row, column + 1);
        edits.push_back(edit);
    }
    auto* global = new QCheckBox("Also in other programs");
    global->setObjectName("hotkeysGlobal");
    global->setChecked(keys.global);
    auto* media = new QCheckBox("Headset call keys");
    media->setToolTip("A headset's or keyboard's phone and play keys answer or hang up, its mic key mutes");
    global->setToolTip("The hotkeys work while another program has the focus, not only in this window");
    media->setObjectName("hotkeysMedia");
    media->setChecked(keys.mediaKeys);
    auto* tray = new QCheckBox("Tray icon");
    tray->setObjectName("trayEnabled");
    tray->setChecked(trayWanted(app_.settingsFile()));
    auto* save = new QPushButton("Save Hotkeys");
    save->setObjectName("hotkeysSave");
    auto* clear = new QPushButton("Defaults");
    clear->setObjectName("hotkeysDefaults");
    grid->addWidget(global, 4, 0, 1, 2);
    grid->addWidget(media, 4, 2, 1, 2);
    auto* row = new QHBoxLayout;
    row->addWidget(tray);
    row->addStretch(1);
    row->addWidget(clear);
    row->addWidget(save);
    grid->addLayout(row, 5, 0, 1, 4);
    connect(clear, &QPushButton::clicked, this, [edits] {
        for (std::size_t i = 0; i < edits.size(); ++i)
            edits[i]->setKeySequence(QKeySequence::fromString(calls::quickActions()[i].defaultKey));
    });
    connect(save, &QPushButton::clicked, this, [=, this] {
        calls::HotkeySettings chosen;
        for (std::size_t i = 0; i < edits.size(); ++i) {
            const QKeySequence s = edits[i]->keySequence();
            // One key combination per act: the first one pressed.
            chosen.keys[i] = s.isEmpty() ? "" : QKeySequence(s[0]).toString(QKeySequence::PortableText).toStdString();
        }
        chosen.global = global->isChecked();
        chosen.mediaKeys = media->isChecked();
        calls::saveHotkeys(app_.settingsFile(), chosen);
        core::INIwrite(app_.settingsFile(), kTraySection, "Enabled", tray->isChecked() ? "True" : "False");
        applyHotkeys();
        core::ShowStatus(app_, "Hotkeys saved.");
    });
    // Below the option frames, above the page's stretch.
    auto* layout = static_cast<QBoxLayout*>(options->layout());
    layout->insertWidget(layout->count(), frame);
    layout->addStretch(1);
}

void AgentDesk::buildTray() {
    tray_ = new QSystemTrayIcon(QApplication::windowIcon(), this);
    tray_->setObjectName("trayIcon");
    trayMenu_ = new QMenu(&window_);
    trayMenu_->setObjectName("trayMenu");
    auto& w = app_.window;
    auto add = [this](const QString& text, QuickAction action) {
        trayMenu_->addAction(text, this, [this, action] { run(static_cast<int>(action)); });
    };
    add("Answer", QuickAction::Answer);
    add("Reject", QuickAction::Reject);
    add("Hang Up", QuickAction::HangUp);
    auto* dnd = trayMenu_->addAction("Do Not Disturb");
    dnd->setCheckable(true);
    connect(dnd, &QAction::triggered, this, [&w, dnd] {
        if (w.CheckDisturb.ticked() != dnd->isChecked()) w.CheckDisturb.click();
    });
    trayMenu_->addSeparator();
    trayMenu_->addAction("Show", this, [this] { showWindow(); });
    trayMenu_->addAction("Exit", this, [&w] { w.exitcmd.click(); });
    tray_->setContextMenu(trayMenu_);
    connect(tray_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason why) {
        if (why == QSystemTrayIcon::Trigger || why == QSystemTrayIcon::DoubleClick) showWindow();
    });
    // Redrawn once per turn of the loop, however many controls changed.
    auto* pending = new QTimer(this);
    pending->setSingleShot(true);
    connect(pending, &QTimer::timeout, this, [this, dnd, &w] {
        dnd->setChecked(w.CheckDisturb.ticked());
        updateTray();
    });
    for (core::Control* c : std::initializer_list<core::Control*>{&w.RegLight, &w.StripState1, &w.StripState2,
                                                                  &w.StripCaller1, &w.StripCaller2, &w.StripTime1,
                                                                  &w.StripTime2, &w.CheckDisturb})
        c->observe([pending] {
            if (!pending->isActive()) pending->start(0);
        });
    updateTray();
}

void AgentDesk::updateTray() {
    if (!tray_) return;
    auto& w = app_.window;
    const std::string reg = w.RegLight.caption();
    const auto starts = [](const std::string& s, const char* p) { return s.rfind(p, 0) == 0; };
    const bool ringing = starts(w.StripState1.caption(), "Ringing") || starts(w.StripState2.caption(), "Ringing");
    const bool talking = starts(w.StripState1.caption(), "Connected") || starts(w.StripState1.caption(), "On hold") ||
                         starts(w.StripState2.caption(), "Connected") || starts(w.StripState2.caption(), "On hold");
    const QColor colour = ringing                ? QColor("#e89b00")
                          : talking              ? QColor("#1d6fb8")
                          : reg == "Registered"  ? QColor("#2e9d3a")
                          : reg == "Failed"      ? QColor("#d0312d")
                                                 : QColor("#9a9a9a");
    static std::map<QRgb, QIcon> icons;  // one per state colour: five at most
    auto found = icons.find(colour.rgb());
    if (found == icons.end()) {
        QPixmap pixmap = QApplication::windowIcon().pixmap(64, 64);
        if (pixmap.isNull()) pixmap = QPixmap(64, 64), pixmap.fill(Qt::transparent);
        QPainter paint(&pixmap);
        paint.setRenderHint(QPainter::Antialiasing);
        paint.setPen(QPen(Qt::white, 3));
        paint.setBrush(colour);
        paint.drawEllipse(QRectF(34, 34, 28, 28));
        paint.end();
        found = icons.emplace(colour.rgb(), QIcon(pixmap)).first;
    }
    const qint64 key = colour.rgb();
    if (tray_->property("stateColour").toLongLong() != key) {
        tray_->setIcon(found->second);
        tray_->setProperty("stateColour", key);
    }
    QString tip = "velmoraapp: " + q(reg == "Registered" ? "registered" : reg == "Failed" ? "registration failed" : "offline");
    const std::pair<core::Label*, std::pair<core::Label*, core::Label*>> lines[] = {
        {&w.StripState1, {&w.StripCaller1, &w.StripTime1}}, {&w.StripState2, {&w.StripCaller2, &w.StripTime2}}};
    int n = 1;
    for (const auto& [state, rest] : lines) {
        tip += QString("\nLine %1: %2").arg(n++).arg(plain(state->caption()));
        if (!rest.first->caption().empty()) tip += " " + plain(rest.first->caption());
        if (!rest.second->caption().empty()) tip += " " + plain(rest.second->caption());
    }
    if (tray_->toolTip() != tip) tray_->setToolTip(tip);
}

void AgentDesk::showWindow() {
    window_.showNormal();
    window_.raise();
    window_.activateWindow();
}

void AgentDesk::closeRequested() {
    const bool trayUsable = tray_ && tray_->isVisible() && QSystemTrayIcon::isSystemTrayAvailable();
    if (!trayUsable || app_.state.shuttingDown) return core::shutdownProgram(app_);
    const bool callUp = !app_.state.calls.live().empty();
    const std::string remembered = core::GetProfileSetting(kTraySection, "CloseToTray", app_.settingsFile());
    if (!callUp && remembered == "True") return window_.hide();
    if (!callUp && remembered == "False") return core::shutdownProgram(app_);
    QMessageBox box(&window_);
    box.setObjectName("closeToTray");
    box.setWindowTitle("velmoraapp");
    box.setIcon(QMessageBox::Question);
    box.setText(callUp ? "A call is up. Keep velmoraapp running in the tray, with the call going on, or exit "
                         "and hang up?"
                       : "Keep velmoraapp running in the tray? It goes on taking calls and shows them there.");
    auto* keep = box.addButton("Keep in Tray", QMessageBox::AcceptRole);
    auto* exit = box.addButton(callUp ? "Exit and Hang Up" : "Exit", QMessageBox::DestructiveRole);
    box.addButton(QMessageBox::Cancel);
    QCheckBox* remember = nullptr;
    if (!callUp) {
        remember = new QCheckBox("Do not ask again");
        box.setCheckBox(remember);
    }
    box.exec();
    if (box.clickedButton() == keep) {
        if (remember && remember->isChecked()) core::INIwrite(app_.settingsFile(), kTraySection, "CloseToTray", "True");
        window_.hide();
    } else if (box.clickedButton() == exit) {
        if (remember && remember->isChecked()) core::INIwrite(app_.settingsFile(), kTraySection, "CloseToTray", "False");
        core::shutdownProgram(app_);
    }
}

void AgentDesk::showGuide() {
    auto* dialog = window_.findChild<QDialog*>("agentGuide");
    if (!dialog) {
        dialog = new QDialog(&window_);
        dialog->setObjectName("agentGuide");
        dialog->setWindowTitle("Agent Guide");
        auto* layout = new QVBoxLayout(dialog);
        auto* text = new QTextBrowser;
        text->setObjectName("agentGuideText");
        text->setOpenExternalLinks(false);
        text->setOpenLinks(true);
        const auto file = agentGuideFile();
        if (QFileInfo::exists(q(file.string()))) {
            text->setSearchPaths({q(file.parent_path().string())});
            text->setSource(QUrl::fromLocalFile(q(file.string())), QTextDocument::MarkdownResource);
        } else {
            text->setPlainText("The agent guide is not installed (" + q(file.string()) + ").");
        }
        layout->addWidget(text);
        auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close);
        connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::hide);
        layout->addWidget(buttons);
        dialog->resize(820, 640);
    }
    dialog->show();
    dialog->raise();
}

void AgentDesk::buildHistoryPage() {
    auto* page = new QWidget;
    page->setObjectName("historyPage");
    auto* layout = new QVBoxLayout(page);
    auto* filters = new QHBoxLayout;
    auto* search = new QLineEdit;
    search->setObjectName("historySearch");
    search->setPlaceholderText("Search number or name");
    search->setClearButtonEnabled(true);
    auto* day = new QComboBox;
    day->setObjectName("historyDay");
    day->addItems({"All days", "Today", "Yesterday", "Last 7 days"});
    auto* outcome = new QComboBox;
    outcome->setObjectName("historyOutcome");
    filters->addWidget(search, 1);
    filters->addWidget(day);
    filters->addWidget(outcome);
    layout->addLayout(filters);
    auto* list = new QTreeWidget;
    list->setObjectName("historyList");
    list->setRootIsDecorated(false);
    list->setUniformRowHeights(true);
    list->setAlternatingRowColors(true);
    list->setHeaderLabels({"Number", "Name", "Time", "Seconds", "Outcome", "Direction", "Recording"});
    list->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    list->setSortingEnabled(true);
    list->sortByColumn(2, Qt::DescendingOrder);
    layout->addWidget(list, 1);
    auto* buttons = new QHBoxLayout;
    auto* count = new QLabel;
    count->setObjectName("historyCount");
    auto* redial = new QPushButton("Redial");
    redial->setObjectName("historyRedial");
    redial->setToolTip("Dial the chosen call's number (also Enter or a double click)");
    auto* play = new QPushButton("Play Recording");
    play->setObjectName("historyPlay");
    auto* refresh = new QPushButton("Refresh");
    refresh->setObjectName("historyRefresh");
    buttons->addWidget(count, 1);
    buttons->addWidget(refresh);
    buttons->addWidget(play);
    buttons->addWidget(redial);
    layout->addLayout(buttons);

    auto entries = std::make_shared<std::vector<calls::HistoryEntry>>();
    auto names = std::make_shared<std::map<std::string, std::string>>();
    auto* player = new QSoundEffect(page);
    auto fill = [=, this] {
        calls::HistoryFilter filter;
        filter.search = search->text().trimmed().left(40).toStdString();
        filter.day = static_cast<calls::HistoryDay>(day->currentIndex());
        filter.outcome = outcome->currentIndex() > 0 ? outcome->currentText().toStdString() : std::string();
        const std::tm today = app_.platform.localTime();
        list->setSortingEnabled(false);
        list->clear();
        int shown = 0;
        for (std::size_t i = 0; i < entries->size(); ++i) {
            const auto& e = (*entries)[i];
            if (!calls::matches(e, filter, today)) continue;
            auto* item = new HistoryItem(QStringList{
                q(e.number), q(e.name), q(e.date + " " + e.time), QString::number(e.seconds),
                q(calls::outcomeLabel(e.outcome)), e.outgoing ? "out" : "in",
                e.recording.empty() ? QString() : q(e.recording.filename().string())});
            item->setData(0, Qt::UserRole, static_cast<qulonglong>(i));
            item->setData(2, Qt::UserRole + 1, sortableTime(e));
            item->setData(3, Qt::UserRole + 1, static_cast<qlonglong>(e.seconds));
            list->addTopLevelItem(item);
            ++shown;
        }
        list->setSortingEnabled(true);
        count->setText(QString("%1 of %2 calls").arg(shown).arg(entries->size()));
        if (list->topLevelItemCount() > 0) list->setCurrentItem(list->topLevelItem(0));
    };
    auto reload = [=, this] {
        // Caller names of this run's calls: the call log has none.
        for (const core::Call* call : app_.state.calls.live())
            if (!call->callerName.empty() && names->size() < 500) (*names)[call->number] = call->callerName;
        *entries = calls::loadHistory(app_, *names);
        const QString chosen = outcome->currentText();
        QStringList outcomes{"All outcomes"};
        for (const auto& e : *entries)
            if (!outcomes.contains(q(calls::outcomeLabel(e.outcome))) && outcomes.size() < 50)
                outcomes << q(calls::outcomeLabel(e.outcome));
        const QSignalBlocker quiet(outcome);
        outcome->clear();
        outcome->addItems(outcomes);
        outcome->setCurrentIndex(std::max(0, static_cast<int>(outcomes.indexOf(chosen))));
        fill();
    };
    reloadHistory_ = reload;
    auto chosenEntry = [=]() -> const calls::HistoryEntry* {
        QTreeWidgetItem* item = list->currentItem();
        if (!item) return nullptr;
        const auto i = item->data(0, Qt::UserRole).toULongLong();
        return i < entries->size() ? &(*entries)[i] : nullptr;
    };
    auto redialChosen = [=, this] {
        if (const auto* e = chosenEntry(); e && !calls::redialEntry(app_, *e))
            core::ShowStatus(app_, "Redial: a call is up on the dial line, or the number holds nothing to dial.");
    };
    connect(search, &QLineEdit::textChanged, page, fill);
    connect(day, &QComboBox::currentIndexChanged, page, fill);
    connect(outcome, &QComboBox::currentIndexChanged, page, fill);
    connect(list, &QTreeWidget::itemActivated, page, redialChosen);  // double click or Enter
    connect(search, &QLineEdit::returnPressed, page, redialChosen);
    connect(redial, &QPushButton::clicked, page, redialChosen);
    connect(refresh, &QPushButton::clicked, page, reload);
    connect(list, &QTreeWidget::currentItemChanged, page, [=] {
        const auto* e = chosenEntry();
        play->setEnabled(e && !e->recording.empty());
    });
    connect(play, &QPushButton::clicked, page, [=] {
        if (player->isPlaying()) {
            player->stop();
            play->setText("Play Recording");
            return;
        }
        if (const auto* e = chosenEntry(); e && !e->recording.empty()) {
            player->setSource(QUrl::fromLocalFile(q(e->recording.string())));
            player->play();
            play->setText("Stop");
        }
    });
    connect(player, &QSoundEffect::playingChanged, page, [=] {
        if (!player->isPlaying()) play->setText("Play Recording");
    });
    play->setEnabled(false);
    const int index = window_.pages()->addPage(page, "History");
    QTabWidget* tabs = window_.pages()->pages();
    // Read when the page is shown, and again after each call's record while it is.
    connect(tabs, &QTabWidget::currentChanged, page, [=](int current) {
        if (current == index) reload();
    });
    auto& w = app_.window;
    for (core::Label* state : {&w.StripState1, &w.StripState2})
        state->observe([=, &w] {
            if (tabs->currentIndex() != index) return;
            const std::string& s = state->caption();
            if (s.rfind("Ended", 0) == 0 || s == "Transferred" || s == "Message left")
                QTimer::singleShot(700, page, reload);  // the record is written after the end's waits
        });
}

}  // namespace velmora::ui
