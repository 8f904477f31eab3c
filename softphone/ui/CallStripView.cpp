#include "CallStripView.h"

#include "Binding.h"

#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace velmora::ui {
namespace {

QString q(const std::string& s) { return QString::fromStdString(s); }

QLabel* label(core::Label& model) {
    auto* w = new QLabel;
    w->setObjectName(q(model.name()));
    w->setTextFormat(Qt::PlainText);  // a caller's name is never read as markup
    bind(model, w);
    return w;
}

QPushButton* button(core::Button& model, const QString& tip) {
    auto* w = new QPushButton;
    w->setObjectName(q(model.name()));
    w->setToolTip(tip);
    w->setMinimumWidth(0);
    w->setSizePolicy(QSizePolicy::Minimum, QSizePolicy::Fixed);
    bind(model, w);
    return w;
}

// The state as a coloured word: green talking, amber ringing or held, grey free.
void colourState(core::Label& model, QLabel* w) {
    auto sync = [&model, w] {
        const std::string& s = model.caption();
        const char* colour = s.rfind("Connected", 0) == 0                                    ? "#2e9d3a"
                             : s.rfind("Ringing", 0) == 0 || s.rfind("On hold", 0) == 0      ? "#c07800"
                             : s.rfind("Calling", 0) == 0 || s.rfind("Answering", 0) == 0 ? "#1d6fb8"
                             : s.rfind("Transferring", 0) == 0                               ? "#7a4bb0"
                             : s.rfind("Free", 0) == 0                                       ? "#8a8a8a"
                                                                                             : "#b03030";
        w->setStyleSheet(QString("QLabel { color: %1; font-weight: bold; }").arg(colour));
    };
    model.observe(sync);
    sync();
}

struct LineControls {
    core::Label &state, &caller, &time;
    core::Button &mute, &hold, &transfer, &hangUp;
};

QWidget* lineRow(core::MainWindowModel& m, int line, const LineControls& c) {
    auto* row = new QFrame;
    row->setObjectName(QString("stripLine%1").arg(line));
    row->setFrameShape(QFrame::StyledPanel);
    auto* grid = new QGridLayout(row);
    grid->setContentsMargins(6, 3, 6, 3);
    grid->setVerticalSpacing(2);
    grid->addWidget(new QLabel(QString("Line %1").arg(line)), 0, 0);
    auto* state = label(c.state);
    colourState(c.state, state);
    grid->addWidget(state, 0, 1);
    auto* caller = label(c.caller);
    caller->setMinimumWidth(40);
    caller->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    grid->addWidget(caller, 0, 2);
    auto* time = label(c.time);
    time->setToolTip("Talk time since the call was answered");
    grid->addWidget(time, 0, 3, Qt::AlignRight);
    grid->setColumnStretch(2, 1);
    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(4);
    buttons->addWidget(button(c.mute, "Mute or unmute your microphone on this line"));
    buttons->addWidget(button(c.hold, "Put this line's call on hold, or take it off hold"));
    auto* transfer = new QPushButton;
    transfer->setObjectName(q(c.transfer.name()));
    transfer->setToolTip("Hand this line's call to another number (blind transfer)");
    bindState(c.transfer, transfer);
    transfer->setText(q(c.transfer.caption()));
    QObject::connect(transfer, &QPushButton::clicked, transfer, [&m, &c = c.transfer, transfer] {
        QStringList numbers;
        for (const auto& entry : m.EditTransferPhoneNo.entries()) numbers << q(entry);
        const QString current = q(m.EditTransferPhoneNo.text());
        if (!current.isEmpty() && !numbers.contains(current)) numbers.prepend(current);
        bool ok = false;
        const QString number = QInputDialog::getItem(transfer->window(), "Transfer", "Transfer the call to:", numbers,
                                                     std::max<int>(0, numbers.indexOf(current)), true, &ok);
        if (!ok || number.trimmed().isEmpty()) return;
        m.StripTransferTo.setText(number.trimmed().left(40).toStdString());
        c.click();
    });
    buttons->addWidget(transfer);
    auto* hangUp = button(c.hangUp, "End this line's call (or refuse the call ringing on it)");
    hangUp->setStyleSheet("QPushButton:enabled { color: #b03030; font-weight: bold; }");
    buttons->addWidget(hangUp);
    grid->addLayout(buttons, 1, 0, 1, 4);
    return row;
}

}  // namespace

QWidget* callStrip(core::MainWindowModel& m) {
    auto* strip = new QWidget;
    strip->setObjectName("callStrip");
    auto* rows = new QVBoxLayout(strip);
    rows->setContentsMargins(0, 0, 0, 0);
    rows->setSpacing(3);
    rows->addWidget(lineRow(m, 1,
                            {m.StripState1, m.StripCaller1, m.StripTime1, m.StripMute1, m.StripHold1,
                             m.StripTransfer1, m.StripHangUp1}));
    rows->addWidget(lineRow(m, 2,
                            {m.StripState2, m.StripCaller2, m.StripTime2, m.StripMute2, m.StripHold2,
                             m.StripTransfer2, m.StripHangUp2}));
    return strip;
}

}  // namespace velmora::ui
