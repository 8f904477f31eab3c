#pragma once
// knobix render: one button with the given properties, drawn off-screen to a PNG file.

#include <QStringList>

namespace knobixhost {

// Returns the process exit status: 0 written, 1 the control failed, 2 bad arguments.
int runRender(const QStringList& arguments);

}  // namespace knobixhost
