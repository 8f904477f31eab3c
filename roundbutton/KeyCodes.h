#pragma once
// The control's event vocabulary for keys and mouse buttons: key codes as the
// interface's `KeyCode` values, and the `Shift` and `Button` bit masks.

#include "KnobixExport.h"
#include <Qt>

namespace roundbutton {

constexpr short kKeyReturn = 13;
constexpr short kKeyEscape = 27;
constexpr short kKeySpace = 32;

constexpr short kShiftMask = 1, kCtrlMask = 2, kAltMask = 4;
constexpr short kLeftButton = 1, kRightButton = 2, kMiddleButton = 4;

// The key code of a Qt key (letters as their capital, digits, Enter 13, Esc 27, ...); 0 if none.
KNOBIX_EXPORT short keyCodeOf(int qtKey, Qt::KeyboardModifiers modifiers);
KNOBIX_EXPORT short shiftOf(Qt::KeyboardModifiers modifiers);
KNOBIX_EXPORT short buttonsOf(Qt::MouseButtons buttons);

}  // namespace roundbutton
