#include "AudioPanel.h"

#include "ui/Binding.h"

#include "core/window/MainWindowModel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
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

QGroupBox* group(const QString& title, QLayout* content) {
    auto* box = new QGroupBox(title);
    box->setLayout(content);
    return box;
}

}  // namespace

QWidget* buildAudioPanel(core::MainWindowModel& m) {
    auto* page = new QWidget;
    auto* column = new QVBoxLayout(page);

    auto* mute = new QFormLayout;
    mute->addRow("Microphone", bound<QCheckBox>(m.CheckMuteMic));
    mute->addRow("Speaker", bound<QCheckBox>(m.CheckSpkMute));
    auto* perLine = new QHBoxLayout;
    perLine->addWidget(bound<QComboBox>(m.ComboMuteLine));
    perLine->addWidget(bound<QCheckBox>(m.CheckMuteLineMIC));
    perLine->addWidget(bound<QCheckBox>(m.CheckMuteLineSPK));
    mute->addRow("Line", perLine);
    column->addWidget(group("Mute", mute));

    auto* options = new QVBoxLayout;
    for (core::CheckBox* box : {&m.CheckAGC, &m.CheckDisturb, &m.CheckPlayRingTone})
        options->addWidget(bound<QCheckBox>(*box));
    column->addWidget(group("Options", options));

    auto* bottom = new QHBoxLayout;
    auto* clock = bound<QLineEdit>(m.TimeText);
    clock->setReadOnly(true);
    clock->setMaximumWidth(90);
    bottom->addWidget(clock);
    bottom->addStretch(1);
    bottom->addWidget(bound<QPushButton>(m.tapiPush));
    column->addLayout(bottom);
    column->addStretch(1);
    return page;
}

}  // namespace velmora::ui
