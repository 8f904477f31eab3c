#pragma once

#include "core/window/Controls.h"

class QAbstractButton;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMainWindow;
class QProgressBar;
class QSlider;
class QTreeWidget;
class QWidget;

namespace velmora::ui {

// Each bind keeps a widget showing its model control and turns the agent's
// actions on the widget into the model's own calls; the widget holds no logic.
void bind(core::Button& model, QAbstractButton* widget);
void bind(core::Label& model, QLabel* widget);
void bind(core::TextBox& model, QLineEdit* widget);
void bind(core::CheckBox& model, QCheckBox* widget);
void bind(core::ListBox& model, QListWidget* widget);
void bind(core::ComboBox& model, QComboBox* widget);
void bind(core::Frame& model, QGroupBox* widget);
void bind(core::ProgressBar& model, QProgressBar* widget);
void bind(core::Slider& model, QSlider* widget);
void bind(core::ListView& model, QTreeWidget* widget);
void bind(core::Form& model, QMainWindow* widget);
// Visible and Enabled only, for any widget.
void bindState(core::Control& model, QWidget* widget);

constexpr int kTwipsPerPixel = 15;

}  // namespace velmora::ui
