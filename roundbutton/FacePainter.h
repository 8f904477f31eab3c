#pragma once
// The shaded face: a vertical gradient of horizontal bands plus shaded side bands,
// derived from one base colour and the Light amount with the control's integer
// arithmetic, drawn in user units (N units high, then M units wide) onto the surface.

#include "KnobixExport.h"
#include "Colores.h"

#include <QImage>
#include <cstdint>
#include <vector>

namespace roundbutton {

// Colour channels while painting: whole numbers, never below 0, possibly above 255.
struct Shade {
    std::int64_t Red = 0;
    std::int64_t Green = 0;
    std::int64_t Blue = 0;
    friend bool operator==(const Shade&, const Shade&) = default;
};

struct FaceInput {
    long long widthTwips = 0;   // W, the surface's scale width
    long long heightTwips = 0;  // H, the surface's scale height
    Colores base;               // the resolved remembered back colour
    std::int32_t light = 45;
    std::int32_t roundness3D = 20;
    bool lighten = false;  // the light flag or the focus/hover flag
    bool pressed = false;
    bool enabled = true;
};

// One line as drawn: a horizontal line from (0, at) to (1, at) in the N-unit scale, or a
// vertical one from (at, from) to (at, to) in the M-by-N scale.
struct DrawnLine {
    bool vertical = false;
    double at = 0;
    double from = 0;
    double to = 0;
    Shade colour;  // the channels as computed; the pixels get them limited to 255
};

// What one face painting did, kept by the control for inspection.
struct FaceRecord {
    bool painted = false;
    bool pressed = false;  // painted bottom to top and right to left
    long long N = 0;
    long long M = 0;
    double f = 0;
    Shade base, lightShade, darkShade;  // B, L and D after the disabled exchange
    bool disabledCaption = false;       // the caption colour below applies
    OleColor captionColour = 0;         // D + 50 per channel, for a disabled control
    std::vector<DrawnLine> lines;
};

// Paints the face onto surface (whose pixel size stands for W x H twips) and returns
// the record of what it drew. Nothing is drawn when W or H is below 2 units.
KNOBIX_EXPORT FaceRecord drawFace(QImage& surface, const FaceInput& in);

// The colour a shade gives on screen: every channel limited to 0..255.
KNOBIX_EXPORT QRgb toRgb(const Shade& s);

}  // namespace roundbutton
