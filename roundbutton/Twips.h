#pragma once
// The control measures itself in twips, at a fixed 15 twips per pixel.

#include <cmath>

namespace roundbutton {

constexpr int kTwipsPerPixel = 15;

constexpr long long pixelsToTwips(long long pixels) { return pixels * kTwipsPerPixel; }

// Nearest pixel; children positioned in twips land on whole pixels.
inline int twipsToPixels(long long twips) { return int(std::lround(double(twips) / kTwipsPerPixel)); }

}  // namespace roundbutton
