#include "PageList.h"

#include <QApplication>
#include <QHash>
#include <QHBoxLayout>
#include <QListWidget>
#include <QStyle>
#include <QTabBar>
#include <QTabWidget>

namespace velmora::ui {
namespace {

QIcon lookUpIcon(const QString& title) {
    QStyle* style = QApplication::style();
    static const std::pair<const char*, QStyle::StandardPixmap> icons[] = {
        {"Key Pad", QStyle::SP_ComputerIcon},
        {"Lines", QStyle::SP_FileDialogListView},
        {"Chat", QStyle::SP_MessageBoxInformation},
        {"Account", QStyle::SP_DirHomeIcon},
        {"Options", QStyle::SP_FileDialogDetailedView},
        {"Audio", QStyle::SP_MediaVolume},
        {"Messages", QStyle::SP_MediaPlay},
        {"Agents", QStyle::SP_DirLinkIcon},
        {"Web", QStyle::SP_DriveNetIcon},
        {"Record & Transfer", QStyle::SP_MediaSeekForward},
        {"History", QStyle::SP_FileDialogContentsView},
    };
    for (const auto& [name, pixmap] : icons)
        if (title == QLatin1String(name)) return style->standardIcon(pixmap);
    return style->standardIcon(QStyle::SP_FileIcon);
}

// Each page's icon is looked up in the icon theme once: the list is rebuilt
// whenever a page comes or goes, and the theme's folders are searched anew
// for every icon asked for.
QIcon iconFor(const QString& title) {
    static QHash<QString, QIcon> icons;
    auto found = icons.constFind(title);
    if (found == icons.constEnd()) found = icons.insert(title, lookUpIcon(title));
    return *found;
}

}  // namespace

QString pageTitle(const QTabWidget* pages, int index) {
    QString title = pages->tabText(index);
    return title.replace("&&", "\x01").remove('&').replace('\x01', '&');
}

PageList::PageList(QTabWidget* pages, QWidget* parent) : QWidget(parent), pages_(pages), list_(new QListWidget) {
    setObjectName("pageArea");
    list_->setObjectName("pageList");
    list_->setIconSize(QSize(20, 20));
    list_->setUniformItemSizes(true);
    list_->setSpacing(1);
    // Every entry in sight: the list never scrolls, it is as tall as its entries.
    list_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    list_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    list_->setFixedWidth(156);
    list_->setFocusPolicy(Qt::StrongFocus);
    pages_->tabBar()->hide();
    pages_->setDocumentMode(true);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(list_, 0, Qt::AlignTop);
    row->addWidget(pages_, 1);
    rebuild();
    connect(list_, &QListWidget::currentRowChanged, this, [this](int) {
        if (QListWidgetItem* item = list_->currentItem())
            pages_->setCurrentIndex(item->data(Qt::UserRole).toInt());
    });
    connect(pages_, &QTabWidget::currentChanged, this, [this](int index) {
        for (int row = 0; row < list_->count(); ++row)
            if (list_->item(row)->data(Qt::UserRole).toInt() == index && list_->currentRow() != row)
                list_->setCurrentRow(row);
    });
}

void PageList::rebuild() {
    const QSignalBlocker quiet(list_);
    list_->clear();
    for (int i = 0; i < pages_->count(); ++i) {
        if (!pages_->isTabVisible(i)) continue;
        auto* item = new QListWidgetItem(iconFor(pageTitle(pages_, i)), pageTitle(pages_, i));
        item->setData(Qt::UserRole, i);
        item->setSizeHint(QSize(146, 26));
        list_->addItem(item);
        if (i == pages_->currentIndex()) list_->setCurrentItem(item);
    }
    list_->setFixedHeight(list_->count() * 28 + 2 * list_->frameWidth() + 4);
}

int PageList::addPage(QWidget* page, const QString& title) {
    const int index = pages_->addTab(page, title);
    rebuild();
    return index;
}

void PageList::showPage(const QString& title) {
    for (int i = 0; i < pages_->count(); ++i)
        if (pageTitle(pages_, i) == title) {
            if (!pages_->isTabVisible(i)) setPageVisible(title, true);
            pages_->setCurrentIndex(i);
        }
}

void PageList::setPageVisible(const QString& title, bool visible) {
    for (int i = 0; i < pages_->count(); ++i) {
        if (pageTitle(pages_, i) != title || pages_->isTabVisible(i) == visible) continue;
        pages_->setTabVisible(i, visible);
        if (!visible && pages_->currentIndex() == i) pages_->setCurrentIndex(i + 1 < pages_->count() ? i + 1 : 0);
    }
    rebuild();
}

}  // namespace velmora::ui
