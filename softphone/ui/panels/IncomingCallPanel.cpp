#include "IncomingCallPanel.h"

#include "ui/Binding.h"

#include "core/window/MainWindowModel.h"

#include <QCheckBox>
#include <QDialog>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace velmora::ui {
namespace {

template <typename Widget, typename Model>
Widget* made(Model& model) {
    auto* w = new Widget;
    w->setObjectName(QString::fromStdString(model.name()));
    bind(model, w);
    return w;
}

// A small window of its own listing the calls missed since start.
QDialog* missedCallsWindow(core::MainWindowModel& m, QWidget* parent) {
    auto* window = new QDialog(parent, Qt::Tool);
    window->setObjectName("MissedCallsFrm");
    window->setWindowTitle(QString::fromStdString(m.MissedCallsFrm.caption()));
    window->setModal(false);
    auto* layout = new QVBoxLayout(window);
    layout->addWidget(made<QListWidget>(m.ListMissedCalls), 1);
    layout->addWidget(made<QPushButton>(m.BtnCallBack));
    window->resize(320, 240);
    bindState(m.MissedCallsFrm, window);
    QObject::connect(window, &QDialog::finished, window, [&m] { m.MissedCallsFrm.setVisible(false); });
    return window;
}

}  // namespace

QWidget* incomingCallPanel(core::MainWindowModel& m) {
    auto* panel = new QWidget;
    auto* layout = new QVBoxLayout(panel);
    layout->setContentsMargins(0, 0, 0, 0);

    auto* strip = new QHBoxLayout;
    auto* caption = made<QLabel>(m.Label1);
    caption->setCursor(Qt::PointingHandCursor);
    caption->setStyleSheet("QLabel { color: #10365c; text-decoration: underline; }");
    strip->addWidget(caption);
    strip->addWidget(made<QCheckBox>(m.CheckDisturb));
    strip->addWidget(made<QCheckBox>(m.CheckPlayRingTone));
    strip->addStretch(1);
    auto* indicator = made<QPushButton>(m.IMCap);  // new chat message: in sight on every page
    indicator->setStyleSheet("QPushButton { background: #f0a020; font-weight: bold; }");
    strip->addWidget(indicator);
    auto* missed = made<QPushButton>(m.missedcall);
    missed->setStyleSheet("QPushButton { color: #d0312d; font-weight: bold; }");
    strip->addWidget(missed);
    layout->addLayout(strip);

    auto* content = new QVBoxLayout;
    auto* calls = made<QListWidget>(m.ListIncomingCall);
    calls->setMaximumHeight(110);
    content->addWidget(calls);
    auto* ids = made<QListWidget>(m.ListIncomingCallIds);
    ids->hide();
    content->addWidget(ids);
    auto* buttons = new QHBoxLayout;
    auto* accept = made<QPushButton>(m.BtnAccept);
    accept->setStyleSheet("QPushButton { background: #2e9d3a; color: white; font-weight: bold; }");
    buttons->addWidget(accept);
    auto* reject = made<QPushButton>(m.BtnReject);
    reject->setStyleSheet("QPushButton { background: #d0312d; color: white; font-weight: bold; }");
    buttons->addWidget(reject);
    buttons->addWidget(made<QPushButton>(m.ctPush1));
    content->addLayout(buttons);
    auto* caller = new QHBoxLayout;
    caller->addWidget(new QLabel("Caller"));
    caller->addWidget(made<QLineEdit>(m.CIDTxt), 1);
    caller->addWidget(made<QPushButton>(m.CIDPush));
    content->addLayout(caller);
    auto* frame = new QGroupBox;
    frame->setObjectName("InBoundFrm");
    frame->setLayout(content);
    bind(m.InBoundFrm, frame);
    layout->addWidget(frame);

    missedCallsWindow(m, panel);
    return panel;
}

}  // namespace velmora::ui
