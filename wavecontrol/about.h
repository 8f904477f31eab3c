// The About dialog of the control.
#pragma once
#include <QDialog>
#include <memory>

namespace tonwell {
// Built, not shown: the title and version text are set as About shows them.
std::unique_ptr<QDialog> makeAboutDialog(QWidget* parent = nullptr);
}  // namespace tonwell
