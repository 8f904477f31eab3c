// Nothing is validated, but every value and size paints something defined.
#include "KnobixFixture.h"

#include <climits>

using namespace roundbutton;
using namespace roundbutton::testing;

TEST_F(KnobixTest, ExtremeValuesPaintDefinedFaces) {
    const int values[] = {INT_MIN, -100000, -1, 0, 1, 100000, INT_MAX};
    for (int v : values) {
        SCOPED_TRACE(v);
        knobix->setRoundSize(v);
        knobix->setLight(v);
        knobix->setRoundness3D(v);
        const FaceRecord& rec = knobix->lastFace();
        ASSERT_TRUE(rec.painted);
        EXPECT_GT(rec.f, 0);
        int rows = 0;
        for (const auto& l : rec.lines) rows += !l.vertical;
        EXPECT_EQ(rows, 51);
        EXPECT_FALSE(knobix->mask().isEmpty());
        EXPECT_EQ(rendered().size(), QSize(81, 33));
    }
    // Light 100000: the light shade is far above 255 and draws white, the dark one black.
    knobix->setRoundSize(20);
    knobix->setRoundness3D(20);
    knobix->setLight(100000);
    const QImage img = rendered();
    EXPECT_EQ(img.pixel(10, 0), qRgb(255, 255, 255));
    EXPECT_EQ(knobix->lastFace().darkShade, shade(0, 0, 0));
}

TEST_F(KnobixTest, SizesBelowTwoUnitsPaintNothing) {
    struct SizeCase {
        QSize size;
        bool painted;
    };
    const SizeCase cases[] = {{{0, 0}, false}, {{0, 33}, false}, {{81, 0}, false}, {{1, 1}, true}, {{1000, 400}, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.size.width());
        knobix->resize(c.size);
        EXPECT_EQ(knobix->lastFace().painted, c.painted);
        EXPECT_EQ(knobix->surface().isNull(), !c.painted);
    }
    // Straight to the painter: 2 to 5 twips would make a scale of 0 units (5 / 10 rounds to 0).
    QImage surface(1, 1, QImage::Format_RGB32);
    for (long long twips : {1, 2, 4, 5, 15}) {
        FaceInput in;
        in.widthTwips = in.heightTwips = twips;
        EXPECT_EQ(drawFace(surface, in).painted, twips == 15) << twips;
    }
}

TEST_F(KnobixTest, CaptionsAndPicturesOfAnySizeLayOut) {
    knobix->setCaption(QString());
    EXPECT_EQ(knobix->labelElement()->width(), 0);
    EXPECT_EQ(knobix->contentPlace().labelLeft, 1215 / 2);

    knobix->setCaption(QString(10000, QChar('W')));
    const ContentPlace& p = knobix->contentPlace();
    EXPECT_LT(p.labelLeft, 0);  // wider than the button: centred, overhanging both sides
    EXPECT_EQ(p.labelLeft, (1215 - knobix->labelElement()->width() * 15) / 2);
    EXPECT_TRUE(knobix->lastFace().painted);

    knobix->setPicture(QPixmap());
    EXPECT_TRUE(knobix->picElement()->isHidden());
}

TEST(ContentLayout, PictureSitsLeftOfTheCaption) {
    ContentInput in;
    in.controlWidth = 1215;
    in.controlHeight = 495;
    in.labelWidth = 450;
    in.labelHeight = 195;
    in.hasPicture = true;
    in.pictureWidth = 240;
    in.pictureHeight = 241;
    ContentPlace p = layOutContent(in);
    EXPECT_EQ(p.pictureLeft, (1215 - 240 - 450 - 50) / 2);
    EXPECT_EQ(p.pictureTop, (495 - 241) / 2);
    EXPECT_EQ(p.labelLeft, p.pictureLeft + 240 + 50);
    EXPECT_EQ(p.labelTop, 150);
    in.captionEmpty = true;
    in.pressed = true;
    p = layOutContent(in);
    EXPECT_EQ(p.pictureLeft, 15 + (1215 - 240) / 2);
    EXPECT_EQ(p.labelLeft, p.pictureLeft + 240 + 50 + 15);
    EXPECT_EQ(p.labelTop, 15 + 150);
}
