#include "Colores.h"

#include <QPalette>
#include <gtest/gtest.h>

using namespace roundbutton;

TEST(Colores, SplitsIntoRedGreenBlue) {
    EXPECT_EQ(splitColor(0x00332211), (Colores{0x11, 0x22, 0x33}));
    EXPECT_EQ(splitColor(rgbColor(1, 2, 3)), (Colores{1, 2, 3}));
}

TEST(Colores, SystemColourReferencesResolveThroughThePalette) {
    QPalette pal;
    pal.setColor(QPalette::Button, QColor(10, 20, 30));
    pal.setColor(QPalette::ButtonText, QColor(40, 50, 60));
    EXPECT_EQ(resolveColor(0x8000000F, pal), rgbColor(10, 20, 30));
    EXPECT_EQ(resolveColor(0x80000012, pal), rgbColor(40, 50, 60));
    EXPECT_EQ(resolveColor(0x00123456, pal), 0x00123456u);
    EXPECT_EQ(resolveColor(0xFFFFFFFF, pal), 0xFFFFFFFFu);  // -1 is no reference
    EXPECT_EQ(resolveColor(0x800000FF, pal), 0u);           // unknown index
}
