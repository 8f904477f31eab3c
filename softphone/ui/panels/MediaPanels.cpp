#include "MediaPanels.h"

#include "ui/Binding.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace velmora::ui {
namespace {

template <typename Widget, typename Model>
Widget* bound(Model& model) {
    auto* w = new Widget;
    w->setObjectName(QString::fromStdString(model.name()));
    bind(model, w);
    return w;
}

QPushButton* button(core::Button& m) { return bound<QPushButton>(m); }
QCheckBox* check(core::CheckBox& m) { return bound<QCheckBox>(m); }
QLineEdit* edit(core::TextBox& m) { return bound<QLineEdit>(m); }

QGroupBox* frame(core::Frame& model, QLayout* content) {
    auto* w = bound<QGroupBox>(model);
    w->setLayout(content);
    return w;
}

QHBoxLayout* row(std::initializer_list<QWidget*> widgets) {
    auto* layout = new QHBoxLayout;
    for (auto* w : widgets) layout->addWidget(w);
    return layout;
}

QWidget* messagesPage(core::MainWindowModel& m) {
    auto* files = new QGridLayout;
    files->addWidget(new QLabel("Line"), 0, 0);
    files->addWidget(bound<QComboBox>(m.ComboPlayWave), 0, 1);
    files->addWidget(new QLabel("File (.wav)"), 1, 0);
    files->addWidget(edit(m.EditPlayFileName), 1, 1);
    files->addWidget(button(m.BtnSetPlayFile), 1, 2);
    const std::pair<core::TextBox*, core::Button*> loads[] = {{&m.EditPlayFileName1, &m.BtnStartPlay1},
                                                              {&m.EditPlayFileName2, &m.BtnStartPlay2},
                                                              {&m.EditPlayFileName3, &m.BtnStartPlay3}};
    int at = 2;
    for (const auto& [field, load] : loads) {
        files->addWidget(edit(*field), at, 1);
        files->addWidget(button(*load), at++, 2);
    }
    auto* wave = new QVBoxLayout;
    wave->addLayout(files);
    wave->addLayout(row({button(m.BtnStartPlay), button(m.BtnPlayPause), button(m.BtnPlayStop), button(m.BtnPlayRewind),
                         button(m.BtnPlayForward), check(m.CheckPlayListen)}));

    auto* messages = row({button(m.PlayMsg1), button(m.PlayMsg2), button(m.PlayMsg3), button(m.StopPlayPush),
                          button(m.PlayMsgPush), button(m.LAMPush)});

    auto* page = new QVBoxLayout;
    page->addWidget(frame(m.FramePlayWave, wave));
    page->addWidget(frame(m.FramePlayMsg, messages));
    page->addLayout(row({button(m.vmclick), button(m.GreatPush), button(m.ListtogreetingCmd)}));
    auto* transfer =
        row({new QLabel("Transfer number"), bound<QComboBox>(m.EditTransferPhoneNo), button(m.VMCallPush)});
    page->addLayout(transfer);
    page->addStretch(1);
    auto* w = new QWidget;
    w->setLayout(page);
    return w;
}

QWidget* agentsPage(core::MainWindowModel& m) {
    auto* agents = new QVBoxLayout;
    agents->addWidget(new QLabel("Agents"));
    agents->addWidget(bound<QListWidget>(m.agentList), 1);
    agents->addLayout(row({button(m.ralCmd), button(m.ealCmd)}));

    auto* monitor = new QVBoxLayout;
    monitor->addWidget(new QLabel("Monitor:"));
    monitor->addWidget(bound<QListWidget>(m.MonList), 1);
    auto* options = row({check(m.VelmoraCheck)});
    // The monitor recording box and the monitor Hang Up belong to the call
    // recording; they are shown here when it provides them.
    if (auto* record = dynamic_cast<core::CheckBox*>(m.registry.find("recCheck2"))) options->addWidget(check(*record));
    if (auto* hangUp = dynamic_cast<core::Button*>(m.registry.find("ctPush2"))) options->addWidget(button(*hangUp));
    monitor->addLayout(options);

    auto* page = new QHBoxLayout;
    page->addLayout(agents, 1);
    page->addLayout(monitor, 1);
    auto* w = new QWidget;
    w->setLayout(page);
    return w;
}

}  // namespace

void addMediaPages(QTabWidget* pages, core::MainWindowModel& m) {
    pages->addTab(messagesPage(m), "Messages");
    pages->addTab(agentsPage(m), "Agents");
}

}  // namespace velmora::ui
