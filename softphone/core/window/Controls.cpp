#include "Controls.h"

#include "core/WebPanel.h"

#include "../loop/EventLoop.h"

#include <algorithm>
#include <charconv>

namespace velmora::core {
namespace {

std::string boolText(bool v) { return v ? "True" : "False"; }

std::optional<bool> parseBool(const std::string& v) {
    std::string lower = v;
    std::transform(lower.begin(), lower.end(), lower.begin(), ::tolower);
    if (lower == "true" || lower == "-1" || lower == "1") return true;
    if (lower == "false" || lower == "0") return false;
    return std::nullopt;
}

std::optional<int> parseInt(const std::string& v) {
    int out = 0;
    auto [end, ec] = std::from_chars(v.data(), v.data() + v.size(), out);
    if (ec != std::errc() || end != v.data() + v.size()) return std::nullopt;
    return out;
}

// Sets a whole-number property from its text; false when the text is not one.
template <class Apply>
bool applyNumber(const std::string& text, Apply apply) {
    auto v = parseInt(text);
    if (!v) return false;
    apply(*v);
    return true;
}

void run(const Handler& h) {
    if (h) h();
}

}  // namespace

Control::Control(ControlRegistry& registry, std::string name) : name_(std::move(name)) { registry.add(this); }

void Control::setEnabled(bool on) {
    if (enabled_ == on) return;
    enabled_ = on;
    enabledChanged();
    changed();
}

void Control::setVisible(bool on) {
    if (visible_ == on) return;
    visible_ = on;
    changed();
}

void Control::changed() {
    for (const auto& observer : observers_) observer();
}

void Control::setToolTip(const std::string& text) {
    if (toolTip_ == text) return;
    toolTip_ = text;
    changed();
}

std::optional<std::string> Control::property(const std::string& prop) const {
    if (prop == "Enabled") return boolText(enabled_);
    if (prop == "Visible") return boolText(visible_);
    if (prop == "ToolTipText") return toolTip_;
    return std::nullopt;
}

bool Control::setProperty(const std::string& prop, const std::string& value) {
    auto flag = parseBool(value);
    if (!flag) return false;
    if (prop == "Enabled")
        setEnabled(*flag);
    else if (prop == "Visible")
        setVisible(*flag);
    else
        return false;
    return true;
}

Control* ControlRegistry::find(const std::string& name) const {
    auto it = controls_.find(name);
    return it == controls_.end() ? nullptr : it->second;
}

std::vector<std::string> ControlRegistry::names() const {
    std::vector<std::string> out;
    for (const auto& [name, control] : controls_) out.push_back(name);
    return out;
}

void Captioned::setCaption(const std::string& caption) {
    if (caption_ == caption) return;
    caption_ = caption;
    changed();
}

std::optional<std::string> Captioned::property(const std::string& prop) const {
    if (prop == "Caption") return caption_;
    return Control::property(prop);
}

bool Captioned::setProperty(const std::string& prop, const std::string& value) {
    if (prop == "Caption") return setCaption(value), true;
    return Control::setProperty(prop, value);
}

bool Button::click() {
    if (!enabled()) return true;  // a disabled button ignores clicks
    run(onClick);
    return true;
}

bool Label::click() {
    run(onClick);
    return true;
}

bool Label::doubleClick() {
    run(onDoubleClick);
    return true;
}

void TextBox::setText(const std::string& text) {
    if (text_ == text) return;
    text_ = text;
    changed();
    run(onChange);
}

std::optional<std::string> TextBox::property(const std::string& prop) const {
    if (prop == "Text") return text_;
    return Control::property(prop);
}

void TextBox::keyPress(char key) {
    if (onKeyPress) onKeyPress(key);
}

void TextBox::enter() { run(onEnter); }

bool TextBox::click() {
    run(onClick);
    return true;
}

bool TextBox::setProperty(const std::string& prop, const std::string& value) {
    if (prop == "Text") return setText(value), true;
    return Control::setProperty(prop, value);
}

void CheckBox::setValue(int value) {
    if (value_ == value) return;
    value_ = value;
    changed();
    run(onClick);
}

bool CheckBox::click() {
    if (enabled()) setValue(value_ == 1 ? 0 : 1);
    return true;
}

std::optional<std::string> CheckBox::property(const std::string& prop) const {
    if (prop == "Value") return std::to_string(value_);
    return Captioned::property(prop);
}

bool CheckBox::setProperty(const std::string& prop, const std::string& value) {
    if (prop == "Value") {
        auto v = parseBool(value);
        if (!v) return false;
        setValue(*v ? 1 : 0);
        return true;
    }
    return Captioned::setProperty(prop, value);
}

void ListBox::addItem(const std::string& line) {
    lines_.push_back(line);
    changed();
}

void ListBox::removeItem(int index) {
    if (index < 0 || index >= count()) return;
    lines_.erase(lines_.begin() + index);
    if (listIndex_ == index)
        listIndex_ = -1;
    else if (listIndex_ > index)
        --listIndex_;
    topIndex_ = std::clamp(topIndex_ > index ? topIndex_ - 1 : topIndex_, 0, std::max(0, count() - 1));
    changed();
}

void ListBox::clear() {
    lines_.clear();
    listIndex_ = -1;
    topIndex_ = 0;
    changed();
}

void ListBox::setListIndex(int index) {
    if (index < -1 || index >= count()) return;
    listIndex_ = index;
    changed();
}

void ListBox::setTopIndex(int index) {
    topIndex_ = std::clamp(index, 0, std::max(0, count() - 1));
    changed();
}

bool ListBox::click() {
    run(onClick);
    return true;
}

bool ListBox::doubleClick() {
    run(onDoubleClick);
    return true;
}

bool ListBox::choose(int index) {
    if (index < 0 || index >= count()) return false;
    setListIndex(index);
    run(onClick);
    return true;
}

std::optional<std::string> ListBox::property(const std::string& prop) const {
    if (prop == "ListIndex") return std::to_string(listIndex_);
    if (prop == "ListCount") return std::to_string(count());
    if (prop == "Text") return listIndex_ >= 0 ? lines_[listIndex_] : std::string();
    return Control::property(prop);
}

bool ListBox::setProperty(const std::string& prop, const std::string& value) {
    if (prop == "ListIndex") {
        auto v = parseInt(value);
        return v && choose(*v);
    }
    return Control::setProperty(prop, value);
}

void ComboBox::setText(const std::string& text) {
    if (text_ == text) return;
    text_ = text;
    changed();
    run(onChange);
}

void ComboBox::addItem(const std::string& entry) {
    entries_.push_back(entry);
    changed();
}

void ComboBox::clear() {
    entries_.clear();
    listIndex_ = -1;
    text_.clear();
    changed();
}

void ComboBox::setListIndex(int index) {
    if (index < -1 || index >= count()) return;
    listIndex_ = index;
    if (index >= 0) text_ = entries_[index];
    changed();
    run(onClick);
}

bool ComboBox::choose(int index) {
    if (index < 0 || index >= count()) return false;
    setListIndex(index);
    return true;
}

std::optional<std::string> ComboBox::property(const std::string& prop) const {
    if (prop == "Text") return text_;
    if (prop == "ListIndex") return std::to_string(listIndex_);
    if (prop == "ListCount") return std::to_string(count());
    return Control::property(prop);
}

bool ComboBox::setProperty(const std::string& prop, const std::string& value) {
    if (prop == "Text") return setText(value), true;
    if (prop == "ListIndex") {
        auto v = parseInt(value);
        return v && choose(*v);
    }
    return Control::setProperty(prop, value);
}

Frame::Frame(ControlRegistry& r, std::string name, std::string caption, bool visible)
    : Captioned(r, std::move(name), std::move(caption)) {
    setVisible(visible);
}

bool Frame::doubleClick() {
    run(onDoubleClick);
    return true;
}

void ProgressBar::setValue(int value) {
    value = std::clamp(value, 0, max_);
    if (value_ == value) return;
    value_ = value;
    changed();
}

std::optional<std::string> ProgressBar::property(const std::string& prop) const {
    if (prop == "Value") return std::to_string(value_);
    return Control::property(prop);
}

bool ProgressBar::setProperty(const std::string& prop, const std::string& value) {
    if (prop == "Value") return applyNumber(value, [this](int v) { setValue(v); });
    return Control::setProperty(prop, value);
}

void Slider::setValue(int value) {
    value = std::clamp(value, min_, max_);
    if (value_ == value) return;
    value_ = value;
    changed();
    run(onChange);
}

std::optional<std::string> Slider::property(const std::string& prop) const {
    if (prop == "Value") return std::to_string(value_);
    return Control::property(prop);
}

bool Slider::setProperty(const std::string& prop, const std::string& value) {
    if (prop == "Value") return applyNumber(value, [this](int v) { setValue(v); });
    return Control::setProperty(prop, value);
}

void ListView::setColumns(std::vector<std::string> headers) {
    columns_ = std::move(headers);
    changed();
}

void ListView::addRow(std::vector<std::string> cells) {
    rows_.push_back(std::move(cells));
    changed();
}

void ListView::setCell(int row, int column, const std::string& text) {
    if (row < 0 || row >= static_cast<int>(rows_.size()) || column < 0) return;
    auto& cells = rows_[row];
    if (static_cast<int>(cells.size()) <= column) cells.resize(column + 1);
    cells[column] = text;
    changed();
}

void ListView::clearRows() {
    rows_.clear();
    changed();
}

std::vector<std::string> ListView::items() const {
    std::vector<std::string> out;
    for (const auto& cells : rows_) {
        std::string line;
        for (std::size_t i = 0; i < cells.size(); ++i) line += (i ? "\t" : "") + cells[i];
        out.push_back(line);
    }
    return out;
}

std::optional<std::string> ListView::property(const std::string& prop) const {
    if (prop == "ListCount") return std::to_string(rows_.size());
    return Control::property(prop);
}

void WebBrowser::navigate(const std::string& address) {
    address_ = address;
    changed();
}

std::optional<std::string> WebBrowser::property(const std::string& prop) const {
    // Read out without its query values: the panel's address carries the password.
    if (prop == "Text") return redactedAddress(address_);
    return Control::property(prop);
}

Timer::Timer(ControlRegistry& r, std::string name, int intervalMs, bool enabled)
    : Control(r, std::move(name)), loop_(r.loop()), interval_(intervalMs) {
    // Controls start enabled; a timer starts as asked.
    if (!enabled)
        setEnabled(false);
    else
        restart();
}

Timer::~Timer() {
    if (timerId_) loop_.stopTimer(timerId_);
}

void Timer::setInterval(int ms) {
    interval_ = ms;
    if (enabled()) restart();
    changed();
}

void Timer::enabledChanged() { restart(); }

void Timer::restart() {
    if (timerId_) loop_.stopTimer(timerId_);
    timerId_ = 0;
    if (enabled() && interval_ > 0)
        timerId_ = loop_.startTimer(interval_, [this] {
            // A tick whose handler is still waiting (msDelay) is not entered again.
            if (ticking_) return;
            ticking_ = true;
            run(onTick);
            ticking_ = false;
        });
}

std::optional<std::string> Timer::property(const std::string& prop) const {
    if (prop == "Value") return std::to_string(interval_);
    return Control::property(prop);
}

bool Timer::setProperty(const std::string& prop, const std::string& value) { return Control::setProperty(prop, value); }

void Form::setCaption(const std::string& caption) {
    if (caption_ == caption) return;
    caption_ = caption;
    changed();
}

void Form::move(int left, int top) {
    left_ = left;
    top_ = top;
    changed();
}

void Form::resize(int width, int height) {
    width_ = width;
    height_ = height;
    changed();
}

std::optional<std::string> Form::property(const std::string& prop) const {
    if (prop == "Caption") return caption_;
    if (prop == "Top") return std::to_string(top_);
    if (prop == "Left") return std::to_string(left_);
    if (prop == "Width") return std::to_string(width_);
    if (prop == "Height") return std::to_string(height_);
    return Control::property(prop);
}

}  // namespace velmora::core
