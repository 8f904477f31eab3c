#include "RecordTransferPanel.h"

#include "ui/Binding.h"

#include "core/window/MainWindowModel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace velmora::ui {
namespace {

QString q(const std::string& s) { return QString::fromStdString(s); }

template <class Widget, class Model>
Widget* bound(Model& model) {
    auto* w = new Widget;
    w->setObjectName(q(model.name()));
    bind(model, w);
    return w;
}

// Runs `action` on one kind of mouse event of a widget; the event goes on.
class MouseAction : public QObject {
public:
    MouseAction(QWidget* widget, QEvent::Type type, std::function<void()> action)
        : QObject(widget), type_(type), action_(std::move(action)) {
        widget->installEventFilter(this);
    }
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == type_) action_();
        return false;
    }

private:
    QEvent::Type type_;
    std::function<void()> action_;
};

QGroupBox* recordingFrame(core::MainWindowModel& m) {
    auto* layout = new QGridLayout;
    layout->addWidget(bound<QCheckBox>(m.RecThisCallCheck), 0, 0, 1, 2);
    layout->addWidget(bound<QComboBox>(m.ComboRecord), 0, 2);
    layout->addWidget(bound<QLineEdit>(m.EditSaveFileName), 1, 0, 1, 2);
    layout->addWidget(bound<QPushButton>(m.BtnSaveToWaveFilex), 1, 2);
    layout->addWidget(bound<QPushButton>(m.BtnResetRecordingBuffer), 2, 0);
    layout->addWidget(bound<QPushButton>(m.backupwav), 2, 1);
    layout->addWidget(bound<QPushButton>(m.RecClick), 2, 2);
    layout->addWidget(bound<QCheckBox>(m.recCheck2), 3, 0, 1, 2);
    layout->addWidget(bound<QPushButton>(m.ctPush2), 3, 2);
    auto* frame = bound<QGroupBox>(m.recFrame);
    frame->setLayout(layout);
    return frame;
}

QGroupBox* transferFrame(core::MainWindowModel& m) {
    auto* layout = new QVBoxLayout;
    auto* holds = new QHBoxLayout;
    for (core::Button* b : {&m.BtnHold, &m.BtnUnHold, &m.threeWayPush}) holds->addWidget(bound<QPushButton>(*b));
    layout->addLayout(holds);

    auto* number = new QFormLayout;
    number->addRow("Prefix", bound<QLineEdit>(m.PreDialTxT));
    number->addRow("Number", bound<QComboBox>(m.EditTransferPhoneNo));
    number->addRow("Line", bound<QComboBox>(m.ComboTransferCall));
    layout->addLayout(number);
    auto* transfers = new QHBoxLayout;
    transfers->addWidget(bound<QPushButton>(m.BtnTransferCall));
    transfers->addWidget(bound<QPushButton>(m.CallTranPush));
    layout->addLayout(transfers);
    auto* consult = new QHBoxLayout;
    consult->addWidget(bound<QComboBox>(m.ComboConsultLineA));
    consult->addWidget(bound<QComboBox>(m.ComboConsultLineB));
    consult->addWidget(bound<QPushButton>(m.BtnConsultTransfer));
    layout->addLayout(consult);

    auto* forward = new QHBoxLayout;
    auto* forwardNumber = bound<QLineEdit>(m.EditForwardCallPhoneNo);
    forwardNumber->setPlaceholderText("Forwarding number");
    new MouseAction(forwardNumber, QEvent::MouseButtonPress, [&m] { m.EditForwardCallPhoneNo.click(); });
    forward->addWidget(forwardNumber);
    forward->addWidget(bound<QCheckBox>(m.CheckForwardCall));
    layout->addLayout(forward);

    auto* frame = bound<QGroupBox>(m.Frame10);
    frame->setLayout(layout);
    new MouseAction(frame, QEvent::MouseButtonDblClick, [&m] { m.Frame10.doubleClick(); });
    return frame;
}

}  // namespace

QWidget* recordTransferPanel(core::MainWindowModel& m) {
    auto* panel = new QWidget;
    auto* layout = new QVBoxLayout(panel);
    layout->addWidget(recordingFrame(m));
    layout->addWidget(transferFrame(m));
    layout->addStretch(1);
    return panel;
}

}  // namespace velmora::ui
