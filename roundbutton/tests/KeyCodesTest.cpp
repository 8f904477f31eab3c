#include "KeyCodes.h"

#include <gtest/gtest.h>

using namespace roundbutton;

TEST(KeyCodes, QtKeysBecomeTheEventsKeyCodes) {
    struct Case {
        int key;
        Qt::KeyboardModifiers modifiers;
        short code;
    };
    const Case cases[] = {
        {Qt::Key_A, {}, 65},
        {Qt::Key_Z, Qt::ShiftModifier, 90},
        {Qt::Key_7, {}, 55},
        {Qt::Key_Return, {}, 13},
        {Qt::Key_Enter, Qt::KeypadModifier, 13},
        {Qt::Key_Escape, {}, 27},
        {Qt::Key_Space, {}, 32},
        {Qt::Key_F1, {}, 112},
        {Qt::Key_F12, {}, 123},
        {Qt::Key_Left, {}, 37},
        {Qt::Key_Delete, {}, 46},
        {Qt::Key_3, Qt::KeypadModifier, 99},
        {Qt::Key_Plus, Qt::KeypadModifier, 107},
        {Qt::Key_Comma, {}, 188},
        {Qt::Key_unknown, {}, 0},
    };
    for (const auto& c : cases) EXPECT_EQ(keyCodeOf(c.key, c.modifiers), c.code) << c.key;
    EXPECT_EQ(shiftOf(Qt::ShiftModifier | Qt::AltModifier), kShiftMask | kAltMask);
    EXPECT_EQ(buttonsOf(Qt::LeftButton | Qt::MiddleButton), kLeftButton | kMiddleButton);
}
