#include "Colores.h"

#include <QPalette>

namespace roundbutton {

namespace {

struct RoleOf {
    QPalette::ColorGroup group;
    QPalette::ColorRole role;
};

// Index by index, the palette role that plays the same part on this desktop.
constexpr RoleOf kSystemRoles[] = {
    {QPalette::Active, QPalette::Mid},                // 0 scroll bar
    {QPalette::Active, QPalette::Window},             // 1 desktop
    {QPalette::Active, QPalette::Highlight},          // 2 active caption
    {QPalette::Inactive, QPalette::Highlight},        // 3 inactive caption
    {QPalette::Active, QPalette::Window},             // 4 menu
    {QPalette::Active, QPalette::Base},               // 5 window background
    {QPalette::Active, QPalette::Shadow},             // 6 window frame
    {QPalette::Active, QPalette::WindowText},         // 7 menu text
    {QPalette::Active, QPalette::Text},               // 8 window text
    {QPalette::Active, QPalette::HighlightedText},    // 9 caption text
    {QPalette::Active, QPalette::Window},             // 10 active border
    {QPalette::Inactive, QPalette::Window},           // 11 inactive border
    {QPalette::Active, QPalette::Dark},               // 12 application workspace
    {QPalette::Active, QPalette::Highlight},          // 13 highlight
    {QPalette::Active, QPalette::HighlightedText},    // 14 highlighted text
    {QPalette::Active, QPalette::Button},             // 15 button face
    {QPalette::Active, QPalette::Dark},               // 16 button shadow
    {QPalette::Disabled, QPalette::Text},             // 17 grey text
    {QPalette::Active, QPalette::ButtonText},         // 18 button text
    {QPalette::Inactive, QPalette::HighlightedText},  // 19 inactive caption text
    {QPalette::Active, QPalette::Light},              // 20 button highlight
    {QPalette::Active, QPalette::Shadow},             // 21 3-D dark shadow
    {QPalette::Active, QPalette::Midlight},           // 22 3-D light
    {QPalette::Active, QPalette::ToolTipText},        // 23 tool-tip text
    {QPalette::Active, QPalette::ToolTipBase},        // 24 tool-tip background
    {QPalette::Active, QPalette::NoRole},             // 25 unused
    {QPalette::Active, QPalette::Link},               // 26 hot-tracked item
    {QPalette::Active, QPalette::Highlight},          // 27 active caption gradient
    {QPalette::Inactive, QPalette::Highlight},        // 28 inactive caption gradient
    {QPalette::Active, QPalette::Highlight},          // 29 menu highlight
    {QPalette::Active, QPalette::Window},             // 30 menu bar
};

}  // namespace

OleColor systemColor(int index, const QPalette& palette) {
    if (index < 0 || index >= int(std::size(kSystemRoles)) || kSystemRoles[index].role == QPalette::NoRole) return 0;
    const QColor c = palette.color(kSystemRoles[index].group, kSystemRoles[index].role);
    return rgbColor(c.red(), c.green(), c.blue());
}

OleColor resolveColor(OleColor c, const QPalette& palette) {
    return isSystemColor(c) ? systemColor(int(c & 0xFF), palette) : c;
}

}  // namespace roundbutton
