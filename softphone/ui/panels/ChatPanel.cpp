#include "ChatPanel.h"

#include "ui/Binding.h"

#include "core/window/MainWindowModel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include <memory>

namespace velmora::ui {
namespace {

template <typename Widget, typename Model>
Widget* made(Model& model) {
    auto* w = new Widget;
    w->setObjectName(QString::fromStdString(model.name()));
    bind(model, w);
    return w;
}

}  // namespace

QWidget* chatPanel(core::MainWindowModel& m) {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);

    auto* top = new QHBoxLayout;
    top->addWidget(made<QCheckBox>(m.MonCheck));
    top->addStretch(1);
    layout->addLayout(top);

    auto* screen = new QVBoxLayout;
    auto* users = new QHBoxLayout;
    users->addWidget(made<QComboBox>(m.ChatUserName), 1);
    users->addWidget(made<QPushButton>(m.Command3));
    screen->addLayout(users);

    auto* addRow = new QHBoxLayout;
    addRow->addWidget(made<QLineEdit>(m.EditChatContact), 1);
    addRow->addWidget(made<QPushButton>(m.BtnAddChatContact));
    addRow->addWidget(made<QPushButton>(m.BtnRemoveChatContact));
    auto* addBox = new QGroupBox(" Add Chat Contact");
    addBox->setLayout(addRow);
    screen->addWidget(addBox);

    auto* contacts = made<QListWidget>(m.ListChatContact);
    contacts->setMaximumHeight(90);
    screen->addWidget(contacts);
    auto* status = new QFormLayout;
    status->addRow("My Status:", made<QComboBox>(m.ComboMyChatStatus));
    screen->addLayout(status);

    auto* conversation = made<QListWidget>(m.ListChatMsg);
    conversation->setWordWrap(true);
    conversation->setTextElideMode(Qt::ElideRight);
    screen->addWidget(conversation, 1);

    auto* send = new QFormLayout;
    send->addRow("User:", made<QLineEdit>(m.EditSendChatUserName));
    auto* messageRow = new QHBoxLayout;
    messageRow->addWidget(made<QLineEdit>(m.EditSendChatMsg), 1);
    messageRow->addWidget(made<QPushButton>(m.BtnSendChatMsg));
    messageRow->addWidget(made<QPushButton>(m.Command2));
    send->addRow("Message:", messageRow);
    screen->addLayout(send);

    auto* frame = new QGroupBox;
    frame->setObjectName("Frame2");
    frame->setLayout(screen);
    bind(m.Frame2, frame);
    layout->addWidget(frame, 1);

    // Opening the chat screen, or taking up the new-message indicator while it
    // is open, brings the chat page forward.
    auto bringForward = [page] {
        for (QWidget* w = page->parentWidget(); w; w = w->parentWidget())
            if (auto* tabs = qobject_cast<QTabWidget*>(w)) return tabs->setCurrentWidget(page);
    };
    auto shown = std::make_shared<bool>(m.Frame2.visible());
    m.Frame2.observe([&m, shown, bringForward] {
        if (m.Frame2.visible() && !*shown) bringForward();
        *shown = m.Frame2.visible();
    });
    auto flagged = std::make_shared<bool>(m.IMCap.visible());
    m.IMCap.observe([&m, flagged, bringForward] {
        if (*flagged && !m.IMCap.visible() && m.Frame2.visible()) bringForward();
        *flagged = m.IMCap.visible();
    });
    return page;
}

}  // namespace velmora::ui
