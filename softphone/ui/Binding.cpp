#include "Binding.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMainWindow>
#include <QMouseEvent>
#include <QProgressBar>
#include <QSlider>
#include <QTreeWidget>

namespace velmora::ui {
namespace {

QString q(const std::string& s) { return QString::fromStdString(s); }

// Turns left clicks and double clicks on a label into its model's actions
// (labels have no signals for them).
class LabelClicks : public QObject {
public:
    LabelClicks(QObject* parent, core::Label& model) : QObject(parent), model_(model) {}
    bool eventFilter(QObject* watched, QEvent* event) override {
        const auto* mouse = dynamic_cast<QMouseEvent*>(event);
        if (mouse && mouse->button() == Qt::LeftButton) {
            if (event->type() == QEvent::MouseButtonDblClick) return model_.doubleClick();
            if (event->type() == QEvent::MouseButtonRelease) return model_.click();
        }
        return QObject::eventFilter(watched, event);
    }

private:
    core::Label& model_;
};

// A double click on a frame's own area (not on a control inside it).
class FrameDoubleClicks : public QObject {
public:
    FrameDoubleClicks(QObject* parent, core::Frame& model) : QObject(parent), model_(model) {}
    bool eventFilter(QObject* watched, QEvent* event) override {
        const auto* mouse = dynamic_cast<QMouseEvent*>(event);
        if (mouse && mouse->button() == Qt::LeftButton && event->type() == QEvent::MouseButtonDblClick)
            return model_.doubleClick();
        return QObject::eventFilter(watched, event);
    }

private:
    core::Frame& model_;
};

}  // namespace

// Hands each printable character typed into a field to its model first.
class KeyForwarder : public QObject {
public:
    KeyForwarder(core::TextBox& model, QObject* parent) : QObject(parent), model_(model) {}

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() != QEvent::KeyPress) return false;
        const QString text = static_cast<QKeyEvent*>(event)->text();
        if (text.size() == 1 && text[0].unicode() >= 0x20 && text[0].unicode() < 0x7f)
            model_.keyPress(static_cast<char>(text[0].unicode()));
        return false;
    }

private:
    core::TextBox& model_;
};

void bindState(core::Control& model, QWidget* widget) {
    auto sync = [&model, widget] {
        widget->setEnabled(model.enabled());
        // Only hide what the model hides: a widget on a hidden tab stays "visible".
        // A widget not yet placed in the window is shown with it: shown now, it
        // would open (and at once close) as a window of its own on the X server.
        if (widget->parentWidget() || !model.visible()) widget->setVisible(model.visible());
        widget->setToolTip(q(model.toolTip()));
    };
    model.observe(sync);
    sync();
}

void bind(core::Button& model, QAbstractButton* widget) {
    auto sync = [&model, widget] { widget->setText(q(model.caption())); };
    model.observe(sync);
    sync();
    bindState(model, widget);
    QObject::connect(widget, &QAbstractButton::clicked, widget, [&model] { model.click(); });
}

void bind(core::Label& model, QLabel* widget) {
    auto sync = [&model, widget] { widget->setText(q(model.caption())); };
    model.observe(sync);
    sync();
    bindState(model, widget);
    widget->installEventFilter(new LabelClicks(widget, model));
}

void bind(core::TextBox& model, QLineEdit* widget) {
    auto sync = [&model, widget] {
        if (widget->text() != q(model.text())) widget->setText(q(model.text()));
    };
    model.observe(sync);
    sync();
    bindState(model, widget);
    QObject::connect(widget, &QLineEdit::textEdited, widget,
                     [&model](const QString& text) { model.setText(text.toStdString()); });
    QObject::connect(widget, &QLineEdit::returnPressed, widget, [&model] { model.enter(); });
    widget->installEventFilter(new KeyForwarder(model, widget));
}

void bind(core::CheckBox& model, QCheckBox* widget) {
    auto sync = [&model, widget] {
        widget->setText(q(model.caption()));
        widget->setChecked(model.value() != 0);
    };
    model.observe(sync);
    sync();
    bindState(model, widget);
    QObject::connect(widget, &QCheckBox::clicked, widget, [&model, sync] {
        model.click();
        sync();  // the widget flipped itself; the model has the last word
    });
}

void bind(core::ListBox& model, QListWidget* widget) {
    auto sync = [&model, widget] {
        const auto& lines = model.lines();
        // A status log that dropped its oldest lines: drop them here too,
        // rather than building the whole list again.
        const int dropped = widget->count() - model.count();
        if (dropped > 0 && model.count() > 0 && widget->item(dropped)->text() == q(lines.front()) &&
            widget->item(widget->count() - 1)->text() == q(lines.back()))
            for (int i = 0; i < dropped; ++i) delete widget->takeItem(0);
        const int shown = widget->count();
        // Status logs only grow between clears: append what is new.
        bool prefix = shown <= model.count();
        if (prefix && shown > 0) prefix = widget->item(shown - 1)->text() == q(lines[shown - 1]);
        if (!prefix) widget->clear();
        for (int i = widget->count(); i < model.count(); ++i) widget->addItem(q(lines[i]));
        if (widget->currentRow() != model.listIndex()) widget->setCurrentRow(model.listIndex());
        if (model.topIndex() > 0 && model.topIndex() < widget->count())
            widget->scrollToItem(widget->item(model.count() - 1));
    };
    model.observe(sync);
    sync();
    bindState(model, widget);
    QObject::connect(widget, &QListWidget::itemClicked, widget,
                     [&model, widget](QListWidgetItem* item) { model.choose(widget->row(item)); });
    QObject::connect(widget, &QListWidget::itemDoubleClicked, widget,
                     [&model](QListWidgetItem*) { model.doubleClick(); });
}

void bind(core::ComboBox& model, QComboBox* widget) {
    widget->setEditable(true);
    widget->setInsertPolicy(QComboBox::NoInsert);
    auto sync = [&model, widget] {
        QStringList entries;
        for (const auto& e : model.entries()) entries << q(e);
        QStringList shown;
        for (int i = 0; i < widget->count(); ++i) shown << widget->itemText(i);
        const QSignalBlocker block(widget);
        if (shown != entries) {
            widget->clear();
            widget->addItems(entries);
        }
        widget->setCurrentIndex(model.listIndex());
        if (widget->currentText() != q(model.text())) widget->setEditText(q(model.text()));
    };
    model.observe(sync);
    sync();
    bindState(model, widget);
    QObject::connect(widget, qOverload<int>(&QComboBox::activated), widget,
                     [&model](int index) { model.choose(index); });
    QObject::connect(widget->lineEdit(), &QLineEdit::textEdited, widget,
                     [&model](const QString& text) { model.setText(text.toStdString()); });
}

void bind(core::Frame& model, QGroupBox* widget) {
    widget->setTitle(q(model.caption()));
    widget->installEventFilter(new FrameDoubleClicks(widget, model));
    bindState(model, widget);
}

void bind(core::ProgressBar& model, QProgressBar* widget) {
    widget->setRange(0, model.max());
    auto sync = [&model, widget] { widget->setValue(model.value()); };
    model.observe(sync);
    sync();
    bindState(model, widget);
}

void bind(core::Slider& model, QSlider* widget) {
    widget->setRange(model.min(), model.max());
    auto sync = [&model, widget] {
        const QSignalBlocker block(widget);
        widget->setValue(model.value());
    };
    model.observe(sync);
    sync();
    bindState(model, widget);
    QObject::connect(widget, &QSlider::valueChanged, widget, [&model](int v) { model.setValue(v); });
}

void bind(core::ListView& model, QTreeWidget* widget) {
    widget->setRootIsDecorated(false);
    auto sync = [&model, widget] {
        QStringList headers;
        for (const auto& c : model.columns()) headers << q(c);
        widget->setHeaderLabels(headers);
        widget->clear();
        for (const auto& row : model.rows()) {
            QStringList cells;
            for (const auto& c : row) cells << q(c);
            widget->addTopLevelItem(new QTreeWidgetItem(cells));
        }
    };
    model.observe(sync);
    sync();
    bindState(model, widget);
}

void bind(core::Form& model, QMainWindow* widget) {
    auto sync = [&model, widget] {
        widget->setWindowTitle(q(model.caption()));
        const QPoint at(model.left() / kTwipsPerPixel, model.top() / kTwipsPerPixel);
        if (widget->pos() != at && (model.left() || model.top())) widget->move(at);
    };
    model.observe(sync);
    sync();
}

}  // namespace velmora::ui
