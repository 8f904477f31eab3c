// The face of the default 1215 x 495 twip button, on the painting's record and on pixels.
#include "KnobixFixture.h"

#include <vector>

using namespace roundbutton;
using namespace roundbutton::testing;

namespace {

// First channel of each horizontal line of the default face over base 120 (L = 165,
// D = 75, steps of -4.5 rounded half to even after every line); the other two channels
// run 10 and 20 above.
std::vector<std::int64_t> defaultBandsFirstChannel() {
    std::vector<std::int64_t> v = {165, 160, 156, 152, 148, 144, 140, 136, 132, 128};  // lines 0-9
    v.insert(v.end(), 32, 124);                                                        // lines 10-41
    for (std::int64_t c : {120, 116, 112, 108, 104, 100, 96, 92, 88}) v.push_back(c);  // lines 42-50
    return v;
}

std::vector<DrawnLine> linesOf(const FaceRecord& rec, bool vertical) {
    std::vector<DrawnLine> out;
    for (const auto& l : rec.lines)
        if (l.vertical == vertical) out.push_back(l);
    return out;
}

// The colour a row of pixels must show: that of the last horizontal line landing on it.
QRgb lastLineOnRow(const FaceRecord& rec, int row, int heightPx) {
    QRgb c = 0;
    for (const auto& l : linesOf(rec, false))
        if (int(std::floor(l.at * heightPx / double(rec.N) + 0.5)) == row) c = toRgb(l.colour);
    return c;
}

}  // namespace

TEST_F(KnobixTest, DefaultButtonDrawsFiftyOneBandsSteppingAtTopAndBottom) {
    const FaceRecord& rec = knobix->lastFace();
    ASSERT_TRUE(rec.painted);
    EXPECT_EQ(rec.N, 50);  // 49.5 rounds to the even 50
    EXPECT_EQ(rec.lightShade, grey3(165));
    EXPECT_EQ(rec.base, grey3(120));
    EXPECT_EQ(rec.darkShade, grey3(75));

    const auto rows = linesOf(rec, false);
    ASSERT_EQ(rows.size(), 51u);
    const auto expected = defaultBandsFirstChannel();
    for (int y = 0; y <= 50; ++y) {
        SCOPED_TRACE(y);
        EXPECT_EQ(rows[y].at, y);
        EXPECT_EQ(rows[y].colour, grey3(expected[y]));
        if (y < 50) {
            const bool steps = y <= 9 || y >= 41;
            EXPECT_EQ(rows[y + 1].colour != rows[y].colour, steps);
        }
    }
}

TEST_F(KnobixTest, DefaultButtonDrawsSideLinesAtTheFirstAndLastFiveColumns) {
    const FaceRecord& rec = knobix->lastFace();
    EXPECT_EQ(rec.M, 122);  // 121.5 rounds to the even 122
    const auto cols = linesOf(rec, true);
    ASSERT_EQ(cols.size(), 6u);
    const double xs[] = {0, 118, 119, 120, 121, 122};
    const std::int64_t firsts[] = {111, 111, 102, 93, 84, 75};
    for (int i = 0; i < 6; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(cols[i].at, xs[i]);
        EXPECT_EQ(cols[i].colour, grey3(firsts[i]));
        EXPECT_NEAR(cols[i].from, 10.0 / 122 * (i + 1), 1e-9);
        EXPECT_NEAR(cols[i].to, 50 - 10.0 / 122 * (i + 1), 1e-9);
    }
}

TEST_F(KnobixTest, DefaultButtonPixelsShowTheBands) {
    // Column 10 lies inside the outline on every row and clear of the caption.
    const QImage img = rendered();
    const FaceRecord& rec = knobix->lastFace();
    for (int row = 0; row < img.height(); ++row) EXPECT_EQ(img.pixel(10, row), lastLineOnRow(rec, row, 33)) << row;
    EXPECT_EQ(img.pixel(10, 0), qRgb(165, 175, 185));   // the light shade
    EXPECT_EQ(img.pixel(10, 16), qRgb(124, 134, 144));  // the middle band
    EXPECT_EQ(img.pixel(10, 32), qRgb(92, 102, 112));   // the dark band's last visible line
    // Side lines: column 0 and the last three pixel columns (units 118 to 121).
    EXPECT_EQ(img.pixel(0, 16), qRgb(111, 121, 131));
    EXPECT_EQ(img.pixel(78, 16), qRgb(111, 121, 131));
    EXPECT_EQ(img.pixel(79, 16), qRgb(102, 112, 122));
    EXPECT_EQ(img.pixel(80, 16), qRgb(84, 94, 104));
    EXPECT_EQ(img.pixel(77, 16), qRgb(124, 134, 144));
}

TEST_F(KnobixTest, WholeStepsEndTheTopBandOnTheBaseColour) {
    knobix->setLight(40);  // steps of exactly -4 leave nothing to rounding
    const auto rows = linesOf(knobix->lastFace(), false);
    EXPECT_EQ(rows[0].colour, grey3(160));
    EXPECT_EQ(rows[10].colour, grey3(120));
    EXPECT_EQ(rows[41].colour, grey3(120));
    EXPECT_EQ(rows[50].colour, grey3(84));
    const QImage img = rendered();
    for (int row = 8; row <= 25; ++row) EXPECT_EQ(img.pixel(10, row), qRgb(120, 130, 140)) << row;
}

TEST_F(KnobixTest, Roundness3DZeroActsAsOnePercent) {
    knobix->setRoundness3D(0);
    const FaceRecord& rec = knobix->lastFace();
    EXPECT_DOUBLE_EQ(rec.f, 0.01);
    // N x f = 0.5 band: one step of -90 after line 0, a second after line 50.
    const auto rows = linesOf(rec, false);
    EXPECT_EQ(rows[0].colour, grey3(165));
    for (int y = 1; y <= 50; ++y) EXPECT_EQ(rows[y].colour, grey3(75)) << y;
    const auto cols = linesOf(rec, true);
    ASSERT_EQ(cols.size(), 6u);
    EXPECT_EQ(cols[0].at, 0);
    EXPECT_DOUBLE_EQ(cols[0].from, 0.5 / 122);
}

TEST_F(KnobixTest, DisabledFaceFadesFromBaseToDarkAndGreysTheCaption) {
    knobix->setEnabled(false);
    const FaceRecord& rec = knobix->lastFace();
    EXPECT_EQ(rec.lightShade, grey3(120));
    EXPECT_EQ(rec.base, grey3(75));
    const auto rows = linesOf(rec, false);
    const std::int64_t top[] = {120, 116, 112, 108, 104, 100, 96, 92, 88, 84};
    for (int y = 0; y < 10; ++y) EXPECT_EQ(rows[y].colour, grey3(top[y])) << y;
    for (int y = 10; y <= 50; ++y) EXPECT_EQ(rows[y].colour, grey3(80)) << y;
    EXPECT_EQ(knobix->foreColor(), rgbColor(125, 135, 145));
    EXPECT_EQ(rendered().pixel(10, 20), qRgb(80, 90, 100));

    knobix->setEnabled(true);
    EXPECT_EQ(knobix->foreColor(), rgbColor(0, 0, 0));
    EXPECT_EQ(knobix->lastFace().base, grey3(120));
}

TEST_F(KnobixTest, PressedReversesTheGradient) {
    const std::vector<DrawnLine> up = linesOf(knobix->lastFace(), false);
    knobix->showState(false, true);
    const FaceRecord& rec = knobix->lastFace();
    EXPECT_TRUE(rec.pressed);
    const auto down = linesOf(rec, false);
    ASSERT_EQ(down.size(), 51u);
    for (int i = 0; i <= 50; ++i) {
        EXPECT_EQ(down[i].at, 50 - i);  // drawn bottom to top
        EXPECT_EQ(down[i].colour, up[i].colour) << i;
    }
    const auto cols = linesOf(rec, true);
    ASSERT_EQ(cols.size(), 6u);
    EXPECT_EQ(cols.front().at, 122);
    EXPECT_EQ(cols.back().at, 0);
    const QImage img = rendered();
    EXPECT_EQ(img.pixel(10, 0), qRgb(88, 98, 108));     // dark at the top
    EXPECT_EQ(img.pixel(10, 32), qRgb(156, 166, 176));  // light at the bottom
}

TEST_F(KnobixTest, PressingShiftsTheCaptionFifteenTwips) {
    const ContentPlace up = knobix->contentPlace();
    const QPoint labelUp = knobix->labelElement()->pos();
    knobix->setFocus();
    QTest::keyPress(knobix, Qt::Key_Space);
    EXPECT_TRUE(knobix->pressedFlag());
    EXPECT_TRUE(knobix->lastFace().pressed);
    EXPECT_EQ(knobix->contentPlace().labelLeft, up.labelLeft + 15);
    EXPECT_EQ(knobix->contentPlace().labelTop, up.labelTop + 15);
    EXPECT_EQ(knobix->labelElement()->pos(), labelUp + QPoint(1, 1));
    QTest::keyRelease(knobix, Qt::Key_Space);
    EXPECT_EQ(knobix->labelElement()->pos(), labelUp);
}

TEST_F(KnobixTest, SystemBackColourPaintsItsCurrentValue) {
    EXPECT_EQ(knobix->backColorOriginal(), kButtonFace);
    EXPECT_EQ(knobix->backColor(), rgbColor(120, 130, 140));
    knobix->setBackColor(0x00102030);
    EXPECT_EQ(knobix->backColorOriginal(), 0x00102030u);
    EXPECT_EQ(knobix->lastFace().base, shade(0x30, 0x20, 0x10));
}
