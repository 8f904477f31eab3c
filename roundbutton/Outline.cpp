#include "Outline.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace roundbutton {

QRegion outlineRegion(int w, int h, bool createRegion, long long roundSize) {
    if (w <= 0 || h <= 0) return {};
    const long long size = roundSize < 0 ? -roundSize : roundSize;
    const double ew = double(std::min<long long>(size, w)), eh = double(std::min<long long>(size, h));
    if (!createRegion || ew < 2 || eh < 2) return QRegion(0, 0, w, h);

    const double a = ew / 2, b = eh / 2;
    // Each row's inset from both sides; rows of equal inset are joined into one rectangle.
    auto insetOfRow = [&](int y) {
        const double cy = y + 0.5;
        const double dy = cy < b ? b - cy : (cy > h - b ? cy - (h - b) : 0);
        if (dy <= 0) return 0;
        const double t = std::min(dy / b, 1.0);
        const double inset = a * (1 - std::sqrt(1 - t * t));
        return int(std::ceil(inset - 0.5));
    };
    std::vector<QRect> rects;
    int y0 = 0, current = insetOfRow(0);
    for (int y = 1; y <= h; ++y) {
        const int inset = y < h ? insetOfRow(y) : -1;
        if (inset == current) continue;
        if (w - 2 * current > 0) rects.emplace_back(current, y0, w - 2 * current, y - y0);
        y0 = y;
        current = inset;
    }
    QRegion region;
    region.setRects(rects.data(), int(rects.size()));
    return region;
}

}  // namespace roundbutton
