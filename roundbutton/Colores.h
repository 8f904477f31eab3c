#pragma once
// Colour values as the control's interface carries them: 32-bit 0x00BBGGRR values,
// or system-colour references (values below -1 as a signed long, index in the low byte).

#include "KnobixExport.h"

#include <cstdint>

class QPalette;

namespace roundbutton {

using OleColor = std::uint32_t;

constexpr OleColor kButtonFace = 0x8000000F;  // system colour 15
constexpr OleColor kButtonText = 0x80000012;  // system colour 18

// The library's record of one colour split into channels.
struct Colores {
    std::int32_t Red = 0;
    std::int32_t Green = 0;
    std::int32_t Blue = 0;
    friend bool operator==(const Colores&, const Colores&) = default;
};

constexpr bool isSystemColor(OleColor c) { return static_cast<std::int32_t>(c) < -1; }

constexpr OleColor rgbColor(std::int32_t red, std::int32_t green, std::int32_t blue) {
    return OleColor(red & 0xFF) | OleColor(green & 0xFF) << 8 | OleColor(blue & 0xFF) << 16;
}

// The system's current colour for a system-colour index, taken from the palette's
// nearest role (15 the button face, 18 the button text, ...); 0 for unknown indexes.
KNOBIX_EXPORT OleColor systemColor(int index, const QPalette& palette);

// A system-colour reference replaced by its current value; any other value unchanged.
KNOBIX_EXPORT OleColor resolveColor(OleColor c, const QPalette& palette);

// Red = c AND 0xFF, Green = (c \ 256) AND 0xFF, Blue = (c \ 65536) AND 0xFF.
constexpr Colores splitColor(OleColor c) {
    return {std::int32_t(c & 0xFF), std::int32_t((c >> 8) & 0xFF), std::int32_t((c >> 16) & 0xFF)};
}

}  // namespace roundbutton
