#pragma once

#include <QWidget>

class QListWidget;
class QTabWidget;

namespace velmora::ui {

// The window's pages as a list with icons beside them: every page's name is
// in sight at once, at the default size and at 1024 x 768, where a tab bar
// of ten pages hid some behind its scroll arrow. The tab widget stays the
// pages' holder (its bar hidden), so a page is still a tab to the code.
class PageList : public QWidget {
public:
    explicit PageList(QTabWidget* pages, QWidget* parent = nullptr);

    // Adds a page after the others, in the list too.
    int addPage(QWidget* page, const QString& title);
    // Shows a page and makes it the current one.
    void showPage(const QString& title);
    // A page taken out of sight (its list entry too), or put back.
    void setPageVisible(const QString& title, bool visible);
    QListWidget* list() const { return list_; }
    QTabWidget* pages() const { return pages_; }

private:
    void rebuild();
    QTabWidget* pages_;
    QListWidget* list_;
};

// The title of a page as the list shows it ("Record & Transfer").
QString pageTitle(const QTabWidget* pages, int index);

}  // namespace velmora::ui
