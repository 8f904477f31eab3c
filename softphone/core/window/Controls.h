#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace velmora::loop {
class EventLoop;
}

namespace velmora::core {

using loop::EventLoop;
class ControlRegistry;

// Observers of a control (the Qt view) hear of every change; handlers are the
// program's reactions, run with the form semantics the handlers rely on.
using Handler = std::function<void()>;

// One named control of the main window. Properties are texts on the remote
// automation interface: Enabled/Visible read "True"/"False".
class Control {
public:
    Control(ControlRegistry& registry, std::string name);
    virtual ~Control() = default;
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    const std::string& name() const { return name_; }
    bool enabled() const { return enabled_; }
    bool visible() const { return visible_; }
    void setEnabled(bool on);
    void setVisible(bool on);
    // The hint shown while the pointer rests on the control (ToolTipText).
    const std::string& toolTip() const { return toolTip_; }
    void setToolTip(const std::string& text);

    // Generic access by property name; nullopt / false for an unknown property.
    virtual std::optional<std::string> property(const std::string& prop) const;
    virtual bool setProperty(const std::string& prop, const std::string& value);
    virtual std::vector<std::string> items() const { return {}; }
    // The user's actions; false when the control has no such action.
    virtual bool click() { return false; }
    virtual bool doubleClick() { return false; }
    virtual bool choose(int index) { return false; }

    // The view subscribes here; called after every change of any property.
    void observe(Handler onChange) { observers_.push_back(std::move(onChange)); }

protected:
    void changed();
    // Runs after Enabled changed (timers start and stop on it).
    virtual void enabledChanged() {}

private:
    std::string name_;
    bool enabled_ = true;
    bool visible_ = true;
    std::string toolTip_;
    std::vector<Handler> observers_;
};

// Looks controls up by name, for the automation interface and the view.
class ControlRegistry {
public:
    explicit ControlRegistry(EventLoop& loop) : loop_(loop) {}
    void add(Control* control) { controls_[control->name()] = control; }
    Control* find(const std::string& name) const;
    std::vector<std::string> names() const;
    EventLoop& loop() const { return loop_; }

private:
    EventLoop& loop_;
    std::map<std::string, Control*> controls_;
};

// A control that shows a caption (Caption on the automation interface).
class Captioned : public Control {
public:
    Captioned(ControlRegistry& r, std::string name, std::string caption)
        : Control(r, std::move(name)), caption_(std::move(caption)) {}
    const std::string& caption() const { return caption_; }
    void setCaption(const std::string& caption);
    std::optional<std::string> property(const std::string& prop) const override;
    bool setProperty(const std::string& prop, const std::string& value) override;

private:
    std::string caption_;
};

// A push button or menu entry: a caption and a click handler.
class Button : public Captioned {
public:
    Button(ControlRegistry& r, std::string name, std::string caption = {})
        : Captioned(r, std::move(name), std::move(caption)) {}
    Handler onClick;
    bool click() override;
};

// A label: caption, and optional click and double-click handlers.
class Label : public Captioned {
public:
    Label(ControlRegistry& r, std::string name, std::string caption = {})
        : Captioned(r, std::move(name), std::move(caption)) {}
    Handler onClick, onDoubleClick;
    bool click() override;
    bool doubleClick() override;
};

// A text field: setting a different text runs onChange, whoever sets it.
class TextBox : public Control {
public:
    TextBox(ControlRegistry& r, std::string name, std::string text = {})
        : Control(r, std::move(name)), text_(std::move(text)) {}
    const std::string& text() const { return text_; }
    void setText(const std::string& text);
    Handler onChange;
    // A character the agent typed into the field; runs before the text changes.
    std::function<void(char)> onKeyPress;
    void keyPress(char key);
    // The agent pressed Enter in the field.
    Handler onEnter;
    void enter();
    // The agent clicked into the field.
    Handler onClick;
    bool click() override;
    std::optional<std::string> property(const std::string& prop) const override;
    bool setProperty(const std::string& prop, const std::string& value) override;

private:
    std::string text_;
};

// A check box with value 0 or 1. Setting a different value runs onClick, as a
// user's click does; a click flips the value.
class CheckBox : public Captioned {
public:
    CheckBox(ControlRegistry& r, std::string name, std::string caption = {}, int value = 0)
        : Captioned(r, std::move(name), std::move(caption)), value_(value) {}
    int value() const { return value_; }
    bool ticked() const { return value_ == 1; }
    void setValue(int value);
    Handler onClick;
    bool click() override;
    std::optional<std::string> property(const std::string& prop) const override;
    bool setProperty(const std::string& prop, const std::string& value) override;

private:
    int value_;
};

// A list of text lines with a selected entry (-1 for none) and a top index.
class ListBox : public Control {
public:
    ListBox(ControlRegistry& r, std::string name) : Control(r, std::move(name)) {}
    const std::vector<std::string>& lines() const { return lines_; }
    int count() const { return static_cast<int>(lines_.size()); }
    void addItem(const std::string& line);
    void removeItem(int index);
    void clear();
    int listIndex() const { return listIndex_; }
    void setListIndex(int index);
    int topIndex() const { return topIndex_; }
    void setTopIndex(int index);
    Handler onClick, onDoubleClick;
    std::vector<std::string> items() const override { return lines_; }
    bool click() override;
    bool doubleClick() override;
    bool choose(int index) override;
    std::optional<std::string> property(const std::string& prop) const override;
    bool setProperty(const std::string& prop, const std::string& value) override;

private:
    std::vector<std::string> lines_;
    int listIndex_ = -1;
    int topIndex_ = 0;
};

// A selector with an editable text and a list of entries.
class ComboBox : public Control {
public:
    ComboBox(ControlRegistry& r, std::string name) : Control(r, std::move(name)) {}
    const std::string& text() const { return text_; }
    void setText(const std::string& text);
    const std::vector<std::string>& entries() const { return entries_; }
    int count() const { return static_cast<int>(entries_.size()); }
    void addItem(const std::string& entry);
    void clear();
    int listIndex() const { return listIndex_; }
    // Selecting an entry sets the text to it and runs onClick.
    void setListIndex(int index);
    Handler onChange, onClick;
    std::vector<std::string> items() const override { return entries_; }
    bool choose(int index) override;
    std::optional<std::string> property(const std::string& prop) const override;
    bool setProperty(const std::string& prop, const std::string& value) override;

private:
    std::string text_;
    std::vector<std::string> entries_;
    int listIndex_ = -1;
};

// A frame (panel) with a caption; showing and hiding is Visible.
class Frame : public Captioned {
public:
    Frame(ControlRegistry& r, std::string name, std::string caption = {}, bool visible = true);
    Handler onDoubleClick;
    bool doubleClick() override;
};

// A level meter or progress bar, 0..max.
class ProgressBar : public Control {
public:
    ProgressBar(ControlRegistry& r, std::string name, int max = 100) : Control(r, std::move(name)), max_(max) {}
    int value() const { return value_; }
    int max() const { return max_; }
    void setValue(int value);
    std::optional<std::string> property(const std::string& prop) const override;
    bool setProperty(const std::string& prop, const std::string& value) override;

private:
    int value_ = 0;
    int max_;
};

// A slider with a position in min..max; setting a different value runs onChange.
class Slider : public Control {
public:
    Slider(ControlRegistry& r, std::string name, int min, int max)
        : Control(r, std::move(name)), min_(min), max_(max), value_(min) {}
    int value() const { return value_; }
    int min() const { return min_; }
    int max() const { return max_; }
    void setValue(int value);
    Handler onChange;
    std::optional<std::string> property(const std::string& prop) const override;
    bool setProperty(const std::string& prop, const std::string& value) override;

private:
    int min_, max_, value_;
};

// A report-style list with column headers; each row a vector of cells.
class ListView : public Control {
public:
    ListView(ControlRegistry& r, std::string name) : Control(r, std::move(name)) {}
    const std::vector<std::string>& columns() const { return columns_; }
    void setColumns(std::vector<std::string> headers);
    const std::vector<std::vector<std::string>>& rows() const { return rows_; }
    void addRow(std::vector<std::string> cells);
    void setCell(int row, int column, const std::string& text);
    void clearRows();
    std::vector<std::string> items() const override;
    std::optional<std::string> property(const std::string& prop) const override;

private:
    std::vector<std::string> columns_;
    std::vector<std::vector<std::string>> rows_;
};

// The embedded browser: the address it was last asked to show.
class WebBrowser : public Control {
public:
    WebBrowser(ControlRegistry& r, std::string name) : Control(r, std::move(name)) {}
    const std::string& address() const { return address_; }
    void navigate(const std::string& address);
    std::optional<std::string> property(const std::string& prop) const override;

private:
    std::string address_;
};

// A form timer: fires onTick every interval while Enabled. Enabling restarts
// the count; a handler may disable its own timer.
class Timer : public Control {
public:
    Timer(ControlRegistry& r, std::string name, int intervalMs, bool enabled = false);
    ~Timer() override;
    int interval() const { return interval_; }
    void setInterval(int ms);
    Handler onTick;
    std::optional<std::string> property(const std::string& prop) const override;
    bool setProperty(const std::string& prop, const std::string& value) override;

protected:
    void enabledChanged() override;

private:
    void restart();
    EventLoop& loop_;
    int interval_;
    int timerId_ = 0;
    bool ticking_ = false;
};

// The window itself: caption and geometry in twips.
class Form : public Control {
public:
    explicit Form(ControlRegistry& r) : Control(r, "Form") {}
    const std::string& caption() const { return caption_; }
    void setCaption(const std::string& caption);
    int left() const { return left_; }
    int top() const { return top_; }
    int width() const { return width_; }
    int height() const { return height_; }
    void move(int left, int top);
    void resize(int width, int height);
    std::optional<std::string> property(const std::string& prop) const override;

private:
    std::string caption_;
    int left_ = 0, top_ = 0, width_ = 7725, height_ = 5625;
};

}  // namespace velmora::core
