#pragma once
// A Knobix of the default 1215 x 495 twip size on a white form, shown off-screen, with a
// known button face colour (120, 130, 140) so that no shade reaches 0 or 255.

#include "CaptionLabel.h"
#include "Knobix.h"

#include <QImage>
#include <QPalette>
#include <QtTest/QTest>
#include <gtest/gtest.h>
#include <memory>

namespace roundbutton::testing {

inline Shade shade(std::int64_t r, std::int64_t g, std::int64_t b) { return {r, g, b}; }
inline Shade grey3(std::int64_t first) { return {first, first + 10, first + 20}; }

class KnobixTest : public ::testing::Test {
protected:
    void SetUp() override {
        form = std::make_unique<QWidget>();
        form->resize(200, 100);
        QPalette pal = form->palette();
        pal.setColor(QPalette::Window, Qt::white);
        pal.setColor(QPalette::Button, QColor(120, 130, 140));
        pal.setColor(QPalette::ButtonText, QColor(0, 0, 0));
        form->setPalette(pal);
        knobix = new Knobix(form.get());
        knobix->move(10, 10);
        form->setFocusPolicy(Qt::StrongFocus);  // keeps the focus off the button
        form->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
        form->setFocus();
    }

    // The control as it appears: transparent where the outline leaves it out.
    QImage rendered() const {
        QImage img(knobix->size(), QImage::Format_ARGB32);
        img.fill(Qt::transparent);
        knobix->render(&img);
        return img;
    }

    QPoint centre() const { return knobix->rect().center(); }

    std::unique_ptr<QWidget> form;
    Knobix* knobix = nullptr;
};

}  // namespace roundbutton::testing
