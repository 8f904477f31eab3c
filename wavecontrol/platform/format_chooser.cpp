#include "platform/format_chooser.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QWidget>

namespace tonwell {

namespace {

// The formats of one use, grouped by tag in driver order.
struct Group {
    QString tagName;
    std::vector<WaveFormat> formats;
};

std::vector<Group> groups(FormatUse use) {
    const CodecManager& acm = CodecManager::instance();
    std::vector<Group> list;
    for (const WaveFormat& f : acm.formats(use)) {
        QString name;
        acm.tagName(f.tag, &name);
        if (list.empty() || list.back().tagName != name) list.push_back(Group{name, {}});
        list.back().formats.push_back(f);
    }
    return list;
}

}  // namespace

ChooseResult chooseFormat(QWidget* owner, const QString& title, FormatUse use, const WaveFormat* initial,
                          std::size_t maxFormatSize, FormatChoice* choice) {
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) return ChooseResult::Failed;
    const std::vector<Group> list = groups(use);
    if (list.empty()) return ChooseResult::Failed;

    QDialog dialog(owner);
    dialog.setWindowTitle(title);
    auto* tags = new QComboBox(&dialog);
    tags->setObjectName(QStringLiteral("formatTag"));
    auto* formats = new QComboBox(&dialog);
    formats->setObjectName(QStringLiteral("formatAttributes"));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    auto* form = new QFormLayout(&dialog);
    form->addRow(QStringLiteral("&Format:"), tags);
    form->addRow(QStringLiteral("&Attributes:"), formats);
    form->addRow(buttons);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);

    const CodecManager& acm = CodecManager::instance();
    auto fill = [&](int group) {
        formats->clear();
        if (group < 0) return;
        for (const WaveFormat& f : list[static_cast<std::size_t>(group)].formats) {
            QString text;
            acm.describe(f, &text);
            formats->addItem(text);
        }
    };
    for (const Group& g : list) tags->addItem(g.tagName);
    QObject::connect(tags, &QComboBox::currentIndexChanged, &dialog, fill);

    int startGroup = 0, startFormat = 0;
    for (std::size_t g = 0; initial && g < list.size(); ++g)
        for (std::size_t i = 0; i < list[g].formats.size(); ++i)
            if (list[g].formats[i] == *initial) {
                startGroup = static_cast<int>(g);
                startFormat = static_cast<int>(i);
            }
    tags->setCurrentIndex(startGroup);
    fill(startGroup);
    formats->setCurrentIndex(startFormat);

    if (dialog.exec() != QDialog::Accepted) return ChooseResult::Canceled;
    const int g = tags->currentIndex(), i = formats->currentIndex();
    if (g < 0 || i < 0) return ChooseResult::Failed;
    const WaveFormat& f = list[static_cast<std::size_t>(g)].formats[static_cast<std::size_t>(i)];
    if (f.toBytes().size() > maxFormatSize) return ChooseResult::Failed;
    *choice = FormatChoice{f, tags->currentText(), formats->currentText()};
    return ChooseResult::Chosen;
}

QWidget* widgetForHandle(std::int64_t handle) {
    if (handle == 0 || !qobject_cast<QApplication*>(QCoreApplication::instance())) return nullptr;
    return QWidget::find(static_cast<WId>(handle));
}

}  // namespace tonwell
