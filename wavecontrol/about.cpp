// The About dialog: "About The Control", "Tonwell V1.11" and an OK button.
#include "about.h"

#include "tonwell.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QLabel>
#include <QVBoxLayout>

namespace tonwell {

using component::S_OK;

std::unique_ptr<QDialog> makeAboutDialog(QWidget* parent) {
    auto dialog = std::make_unique<QDialog>(parent);
    dialog->setObjectName(QStringLiteral("202"));
    dialog->setWindowTitle(QStringLiteral("About The Control"));
    auto* layout = new QVBoxLayout(dialog.get());
    auto* version = new QLabel(QStringLiteral("Tonwell V1.11"), dialog.get());
    version->setObjectName(QStringLiteral("201"));
    layout->addWidget(version);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, dialog.get());
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog.get(), &QDialog::accept);
    layout->addWidget(buttons);
    return dialog;
}

HRESULT Tonwell::About() {
    // A host without a widget application (a command-line host) has nowhere to show it.
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) return S_OK;
    auto dialog = makeAboutDialog(QApplication::activeWindow());
    dialog->exec();
    return S_OK;
}

}  // namespace tonwell
