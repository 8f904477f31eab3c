// The outline as the control's mask: painted and clickable only inside it.
#include "KnobixFixture.h"
#include "Outline.h"

using namespace roundbutton;
using namespace roundbutton::testing;

namespace {

struct OutlineCase {
    const char* name;
    bool createRegion;
    int roundSize;
    bool cornersInside;
};

const OutlineCase kOutlineCases[] = {
    {"rounded", true, 20, false},
    {"plain rectangle", false, 20, true},
    {"square corners", true, 0, true},
    {"negative size rounds by magnitude", true, -20, false},
    {"huge size limited to the button", true, 100000, false},
};

}  // namespace

TEST_F(KnobixTest, OutlineDecidesWhatIsPaintedAndClickable) {
    for (const auto& c : kOutlineCases) {
        SCOPED_TRACE(c.name);
        knobix->setCreateRegion(c.createRegion);
        knobix->setRoundSize(c.roundSize);
        const QImage img = rendered();
        const QImage mask = knobix->picMask();
        const QPoint corners[] = {{0, 0}, {80, 0}, {0, 32}, {80, 32}};
        for (const QPoint& p : corners) {
            EXPECT_EQ(knobix->mask().contains(p), c.cornersInside);
            EXPECT_EQ(qAlpha(img.pixel(p)) == 255, c.cornersInside);
            EXPECT_EQ(mask.pixel(p) == qRgb(0, 0, 0), c.cornersInside);
            EXPECT_EQ(form->childAt(knobix->mapToParent(p)) == knobix, c.cornersInside);
        }
        for (const QPoint& p : {QPoint(40, 0), QPoint(0, 16), QPoint(40, 32), QPoint(80, 16)}) {
            EXPECT_TRUE(knobix->mask().contains(p));
            EXPECT_EQ(qAlpha(img.pixel(p)), 255);
        }
    }
}

TEST(Outline, RoundedCornersFollowTheCornerEllipse) {
    const QRegion r = outlineRegion(81, 33, true, 20);
    // Row 0 has its centre 9.5 px above the ellipse centre: 7 pixels cut off each side.
    EXPECT_FALSE(r.contains(QPoint(6, 0)));
    EXPECT_TRUE(r.contains(QPoint(7, 0)));
    EXPECT_TRUE(r.contains(QPoint(73, 0)));
    EXPECT_FALSE(r.contains(QPoint(74, 0)));
    EXPECT_FALSE(r.contains(QPoint(6, 32)));
    EXPECT_TRUE(r.contains(QPoint(0, 10)));
    EXPECT_TRUE(r.contains(QPoint(0, 22)));
    EXPECT_EQ(r.boundingRect(), QRect(0, 0, 81, 33));
    EXPECT_TRUE(outlineRegion(0, 33, true, 20).isEmpty());
}
