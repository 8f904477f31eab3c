#include "FacePainter.h"

#include <algorithm>
#include <cmath>

namespace roundbutton {

namespace {

std::int64_t atLeastZero(std::int64_t v) { return v < 0 ? 0 : v; }

// round(x) of the face arithmetic: to the nearest integer, halves to even.
std::int64_t roundHalfEven(double x) { return std::int64_t(std::nearbyint(x)); }

Shade shadeOf(const Colores& c) { return {c.Red, c.Green, c.Blue}; }

Shade offsetBy(const Shade& s, std::int64_t d) {
    return {atLeastZero(s.Red + d), atLeastZero(s.Green + d), atLeastZero(s.Blue + d)};
}

struct Step {
    double Red, Green, Blue;
};

Step stepBetween(const Shade& from, const Shade& to, double divisor) {
    return {double(to.Red - from.Red) / divisor, double(to.Green - from.Green) / divisor,
            double(to.Blue - from.Blue) / divisor};
}

Shade stepped(const Shade& c, const Step& s) {
    return {atLeastZero(roundHalfEven(double(c.Red) + s.Red)), atLeastZero(roundHalfEven(double(c.Green) + s.Green)),
            atLeastZero(roundHalfEven(double(c.Blue) + s.Blue))};
}

// A user-unit coordinate on a scale of `units` over `pixels`, as the nearest pixel; kept
// just outside the surface when it lies beyond it, so that huge values stay harmless.
int toPixel(double v, double units, int pixels) {
    const double p = std::floor(v * pixels / units + 0.5);
    if (!(p >= -1)) return -1;  // also catches NaN
    if (p > pixels) return pixels;
    return int(p);
}

void drawRow(QImage& img, int row, QRgb rgb) {
    if (row < 0 || row >= img.height()) return;
    auto* line = reinterpret_cast<QRgb*>(img.scanLine(row));
    std::fill(line, line + img.width(), rgb);
}

// A vertical line like a pen line: the start pixel drawn, the end pixel not.
void drawColumn(QImage& img, int col, int fromRow, int toRow, QRgb rgb) {
    if (col < 0 || col >= img.width() || fromRow == toRow) return;
    int first = fromRow, last = toRow - 1;
    if (fromRow > toRow) first = toRow + 1, last = fromRow;
    first = std::max(first, 0);
    last = std::min(last, img.height() - 1);
    for (int y = first; y <= last; ++y) reinterpret_cast<QRgb*>(img.scanLine(y))[col] = rgb;
}

}  // namespace

QRgb toRgb(const Shade& s) {
    auto limit = [](std::int64_t v) { return int(std::clamp<std::int64_t>(v, 0, 255)); };
    return qRgb(limit(s.Red), limit(s.Green), limit(s.Blue));
}

FaceRecord drawFace(QImage& surface, const FaceInput& in) {
    FaceRecord rec;
    const long long H = in.heightTwips, W = in.widthTwips;
    if (H < 2 || W < 2) return rec;
    const long long N = roundHalfEven(double(H) / 10);
    const long long M = roundHalfEven(double(W) / 10);
    if (N < 1 || M < 1) return rec;  // a scale of zero units cannot be drawn on
    rec.painted = true;
    rec.pressed = in.pressed;
    rec.N = N;
    rec.M = M;

    Shade B = shadeOf(in.base);
    if (in.lighten) B = offsetBy(B, in.light / 2);
    Shade L = offsetBy(B, in.light);
    const Shade D = offsetBy(B, -std::int64_t(in.light));
    if (!in.enabled) {
        L = B;
        B = D;
        const Shade caption = offsetBy(D, 50);
        rec.disabledCaption = true;
        rec.captionColour = rgbColor(int(std::min<std::int64_t>(caption.Red, 255)) & 0xFF,
                                     int(std::min<std::int64_t>(caption.Green, 255)) & 0xFF,
                                     int(std::min<std::int64_t>(caption.Blue, 255)) & 0xFF);
    }
    rec.base = B;
    rec.lightShade = L;
    rec.darkShade = D;

    double f = double(in.roundness3D) / 100;
    if (f <= 0) f = 0.01;
    rec.f = f;
    const double nf = double(N) * f;
    const Step s1 = stepBetween(L, B, nf), s2 = stepBetween(B, D, nf);
    const int wpx = surface.width(), hpx = surface.height();
    rec.lines.reserve(std::size_t(N) + 8);

    // Horizontal bands, top to bottom (pressed: bottom to top).
    Shade c = L;
    for (long long i = 0; i <= N; ++i) {
        const long long y = in.pressed ? N - i : i;
        rec.lines.push_back({false, double(y), 0, 1, c});
        drawRow(surface, toPixel(double(y), double(N), hpx), toRgb(c));
        if (nf > double(y))
            c = stepped(c, s1);
        else if ((1 - f) * double(N) < double(y))
            c = stepped(c, s2);
    }

    // Side bands: the first column and the last five, each inset a little more.
    const Step t1 = stepBetween(L, B, 5), t2 = stepBetween(B, D, 5);
    c = B;
    double e = 0;
    for (long long i = 0; i <= M; ++i) {
        const long long x = in.pressed ? M - i : i;
        const bool first = double(x) <= f, last = x > M - 5;
        if (!first && !last) {
            c = B;
            continue;
        }
        c = stepped(c, first ? t1 : t2);
        e += nf / double(M);
        rec.lines.push_back({true, double(x), e, double(N) - e, c});
        drawColumn(surface, toPixel(double(x), double(M), wpx), toPixel(e, double(N), hpx),
                   toPixel(double(N) - e, double(N), hpx), toRgb(c));
    }
    return rec;
}

}  // namespace roundbutton
