// Mouse, keyboard, hover and focus behaviour, observed through the control's events.
#include "KnobixFixture.h"

#include <QCursor>
#include <QStringList>

using namespace roundbutton;
using namespace roundbutton::testing;

namespace {

// Collects the control's events in order, as "Click", "KeyDown 13 0", "MouseUp 1 0 600 240".
struct EventLog {
    explicit EventLog(Knobix* k) {
        QObject* ctx = &context;
        QObject::connect(k, &Knobix::Click, ctx, [this] { events << "Click"; });
        QObject::connect(k, &Knobix::KeyDown, ctx,
                         [this](short& c, short& s) { events << QString("KeyDown %1 %2").arg(c).arg(s); });
        QObject::connect(k, &Knobix::KeyUp, ctx,
                         [this](short& c, short& s) { events << QString("KeyUp %1 %2").arg(c).arg(s); });
        QObject::connect(k, &Knobix::KeyPress, ctx, [this](short& a) { events << QString("KeyPress %1").arg(a); });
        auto mouse = [this](const char* name) {
            return [this, name](short& b, short& s, float& x, float& y) {
                events << QString("%1 %2 %3 %4 %5").arg(name).arg(b).arg(s).arg(x).arg(y);
            };
        };
        QObject::connect(k, &Knobix::MouseDown, ctx, mouse("MouseDown"));
        QObject::connect(k, &Knobix::MouseUp, ctx, mouse("MouseUp"));
        QObject::connect(k, &Knobix::MouseMove, ctx, mouse("MouseMove"));
    }
    QObject context;  // ends the connections with the log
    QStringList events;
};

class ContainerSite : public KnobixSite {
public:
    bool isDefaultButton() const override { return isDefault; }
    bool isCancelButton() const override { return isCancel; }
    bool isDefault = false, isCancel = false;
};

}  // namespace

TEST_F(KnobixTest, ReleaseInsideClicksAndOutsideDoesNot) {
    EventLog log(knobix);
    QTest::mousePress(knobix, Qt::LeftButton, {}, QPoint(40, 16));
    EXPECT_TRUE(knobix->pressedFlag());
    EXPECT_TRUE(knobix->lastFace().pressed);
    QTest::mouseRelease(knobix, Qt::LeftButton, {}, QPoint(40, 16));
    EXPECT_EQ(log.events, QStringList({"MouseDown 1 0 600 240", "Click", "MouseUp 1 0 600 240"}));
    EXPECT_FALSE(knobix->lastFace().pressed);

    log.events.clear();
    QTest::mousePress(knobix, Qt::LeftButton, {}, QPoint(40, 16));
    QTest::mouseRelease(knobix, Qt::LeftButton, {}, QPoint(150, 80));  // on the form, off the button
    EXPECT_EQ(log.events, QStringList({"MouseDown 1 0 600 240", "MouseUp 1 0 2250 1200"}));
    EXPECT_FALSE(knobix->pressedFlag());
    EXPECT_FALSE(knobix->lastFace().pressed);

    log.events.clear();  // a corner lies outside the outline ((0, 0) would mean the centre to QTest)
    QTest::mousePress(knobix, Qt::LeftButton, {}, QPoint(40, 16));
    QTest::mouseRelease(knobix, Qt::LeftButton, {}, QPoint(1, 1));
    EXPECT_FALSE(log.events.contains("Click")) << log.events.join(", ").toStdString();
}

TEST_F(KnobixTest, OtherButtonsRaiseMouseEventsWithoutPressing) {
    EventLog log(knobix);
    QTest::mousePress(knobix, Qt::RightButton, Qt::ShiftModifier, QPoint(40, 16));
    EXPECT_FALSE(knobix->lastFace().pressed);
    QTest::mouseRelease(knobix, Qt::RightButton, Qt::ShiftModifier, QPoint(40, 16));
    EXPECT_EQ(log.events, QStringList({"MouseDown 2 1 600 240", "MouseUp 2 1 600 240"}));
}

TEST_F(KnobixTest, CaptionAndPictureMouseEventsCarryTheirOwnCoordinates) {
    QPixmap picture(8, 8);
    picture.fill(Qt::blue);
    knobix->setCaption("Go");
    knobix->setPicture(picture);
    for (QWidget* element :
         {static_cast<QWidget*>(knobix->labelElement()), static_cast<QWidget*>(knobix->picElement())}) {
        SCOPED_TRACE(element->objectName().toStdString());
        EventLog log(knobix);
        QTest::mousePress(element, Qt::LeftButton, {}, QPoint(2, 3));
        EXPECT_TRUE(knobix->lastFace().pressed);
        QTest::mouseMove(element, QPoint(4, 5));
        QTest::mouseRelease(element, Qt::LeftButton, {}, QPoint(4, 5));
        EXPECT_EQ(log.events,
                  QStringList({"MouseDown 1 0 30 45", "MouseMove 1 0 60 75", "Click", "MouseUp 1 0 60 75"}));
    }
}

TEST_F(KnobixTest, MovingWithoutAButtonRaisesMouseMove) {
    EventLog log(knobix);
    QMouseEvent move(QEvent::MouseMove, QPointF(20, 10), knobix->mapToGlobal(QPointF(20, 10)), Qt::NoButton,
                     Qt::NoButton, Qt::ShiftModifier);
    QApplication::sendEvent(knobix, &move);
    EXPECT_EQ(log.events, QStringList({"MouseMove 0 1 300 150"}));
}

TEST_F(KnobixTest, DraggingOffAndBackTogglesThePressedLook) {
    QTest::mousePress(knobix, Qt::LeftButton, {}, QPoint(40, 16));
    QMouseEvent off(QEvent::MouseMove, QPointF(150, 80), knobix->mapToGlobal(QPointF(150, 80)), Qt::NoButton,
                    Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(knobix, &off);
    EXPECT_FALSE(knobix->pressedFlag());
    EXPECT_FALSE(knobix->focusHoverFlag());
    EXPECT_FALSE(knobix->lastFace().pressed);
    QMouseEvent back(QEvent::MouseMove, QPointF(40, 16), knobix->mapToGlobal(QPointF(40, 16)), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(knobix, &back);
    EXPECT_TRUE(knobix->pressedFlag());
    EXPECT_TRUE(knobix->lastFace().pressed);
    EXPECT_EQ(knobix->lastFace().base, grey3(142));  // lightened by Light \ 2
    QTest::mouseRelease(knobix, Qt::LeftButton, {}, QPoint(40, 16));
}

namespace {

struct KeyCase {
    const char* name;
    Qt::Key key;
    bool isDefault, isCancel;
    bool pressedOnKeyDown;
    bool clicks;
    short code;
};

const KeyCase kKeyCases[] = {
    {"Space", Qt::Key_Space, false, false, true, true, 32},
    {"Enter on a button that is not the default", Qt::Key_Return, false, false, false, true, 13},
    {"Enter on the default button", Qt::Key_Return, true, false, true, true, 13},
    {"Esc on a button that is not the cancel button", Qt::Key_Escape, false, false, false, true, 27},
    {"Esc on the cancel button", Qt::Key_Escape, false, true, true, true, 27},
    {"a letter", Qt::Key_A, true, true, false, false, 65},
};

}  // namespace

TEST_F(KnobixTest, KeysPressAndClickAsTheContainerAllows) {
    ContainerSite site;
    knobix->setSite(&site);
    knobix->setFocus();
    for (const auto& c : kKeyCases) {
        SCOPED_TRACE(c.name);
        site.isDefault = c.isDefault;
        site.isCancel = c.isCancel;
        EventLog log(knobix);
        QTest::keyPress(knobix, c.key);
        EXPECT_EQ(knobix->pressedFlag(), c.pressedOnKeyDown);
        EXPECT_EQ(knobix->lastFace().pressed, c.pressedOnKeyDown);
        EXPECT_TRUE(knobix->focusHoverFlag());
        QTest::keyRelease(knobix, c.key);
        EXPECT_FALSE(knobix->pressedFlag());
        EXPECT_FALSE(knobix->lastFace().pressed);
        QStringList expected = {QString("KeyDown %1 0").arg(c.code)};
        if (c.key == Qt::Key_Space || c.key == Qt::Key_A)
            expected << QString("KeyPress %1").arg(c.key == Qt::Key_A ? 97 : 32);
        if (c.key == Qt::Key_Return) expected << "KeyPress 13";
        if (c.key == Qt::Key_Escape) expected << "KeyPress 27";
        if (c.clicks) expected << "Click";
        expected << QString("KeyUp %1 0").arg(c.code);
        EXPECT_EQ(log.events, expected);
    }
    knobix->setSite(nullptr);
}

TEST_F(KnobixTest, AccessKeyRunsKeyDownAndKeyUpWithItsCode) {
    knobix->setCaption("&Go");
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    EventLog log(knobix);
    QTest::keyClick(form.get(), Qt::Key_G, Qt::AltModifier);
    EXPECT_EQ(log.events, QStringList({"KeyDown 71 0", "KeyUp 71 0"}));
    EXPECT_TRUE(knobix->focusHoverFlag());
}

TEST_F(KnobixTest, FocusLightensTheFace) {
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    knobix->setFocus();
    EXPECT_TRUE(knobix->focusHoverFlag());
    EXPECT_EQ(knobix->lastFace().base, grey3(142));
    knobix->clearFocus();
    EXPECT_FALSE(knobix->focusHoverFlag());
    EXPECT_EQ(knobix->lastFace().base, grey3(120));
}

TEST_F(KnobixTest, HoverLightensUntilTheTimerSeesThePointerLeave) {
    const QPoint over = knobix->mapToGlobal(QPoint(40, 16));
    QCursor::setPos(over);
    QMouseEvent move(QEvent::MouseMove, QPointF(40, 16), QPointF(over), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(knobix, &move);
    EXPECT_TRUE(knobix->timer1()->isActive());
    EXPECT_EQ(knobix->timer1()->interval(), 100);
    EXPECT_EQ(knobix->lastFace().base, grey3(142));
    EXPECT_FALSE(knobix->focusHoverFlag());

    QCursor::setPos(knobix->mapToGlobal(QPoint(150, 80)));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !knobix->timer1()->isActive(); }, 5000));
    EXPECT_EQ(knobix->lastFace().base, grey3(120));
    EXPECT_FALSE(knobix->lastFace().pressed);
}
