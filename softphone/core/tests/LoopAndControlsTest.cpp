#include "loop/VirtualLoop.h"
#include "window/MainWindowModel.h"

#include <gtest/gtest.h>

namespace velmora::core {
namespace {

using loop::VirtualLoop;

TEST(VirtualLoopTest, DelayWaitsAcrossTickWrapAndRunsTimersInTheMeantime) {
    VirtualLoop loop(0xFFFFFF00u);
    int ticks = 0;
    loop.startTimer(100, [&] { ++ticks; });
    const std::uint32_t before = loop.tickCount();
    msDelay(loop, 1000);
    EXPECT_GE(static_cast<std::uint32_t>(loop.tickCount() - before), 1000u);
    EXPECT_LT(loop.tickCount(), before) << "the counter wrapped";
    EXPECT_EQ(ticks, 10);
}

TEST(VirtualLoopTest, PostedWorkRunsInOrderDuringWaits) {
    VirtualLoop loop;
    std::vector<int> order;
    loop.post([&] { order.push_back(1); });
    loop.post([&] {
        order.push_back(2);
        loop.post([&] { order.push_back(4); });
    });
    loop.post([&] { order.push_back(3); });
    msDelay(loop, 1);
    EXPECT_EQ(order, (std::vector<int>{1, 2, 3, 4}));
}

TEST(FormSemantics, TextChangeHandlerRunsOnlyOnChange) {
    VirtualLoop loop;
    MainWindowModel w(loop);
    int changes = 0;
    w.EditPhoneNo.onChange = [&] { ++changes; };
    w.EditPhoneNo.setText("555");
    w.EditPhoneNo.setText("555");
    w.EditPhoneNo.setProperty("Text", "");
    EXPECT_EQ(changes, 2);
}

TEST(FormSemantics, SettingACheckBoxFromCodeRunsItsClickHandling) {
    VirtualLoop loop;
    MainWindowModel w(loop);
    std::vector<int> seen;
    w.autoCheck.setEnabled(true);
    w.autoCheck.onClick = [&] { seen.push_back(w.autoCheck.value()); };
    w.autoCheck.setValue(1);
    w.autoCheck.setValue(1);
    w.autoCheck.click();
    EXPECT_EQ(seen, (std::vector<int>{1, 0}));
    EXPECT_EQ(*w.autoCheck.property("Value"), "0");
}

TEST(FormSemantics, ADisabledCheckBoxIgnoresClicksButNotCode) {
    VirtualLoop loop;
    MainWindowModel w(loop);
    EXPECT_FALSE(w.autoCheck.enabled()) << "click-to-dial waits for the registration";
    w.autoCheck.click();
    EXPECT_EQ(w.autoCheck.value(), 0);
    w.autoCheck.setValue(1);
    EXPECT_EQ(w.autoCheck.value(), 1);
}

TEST(FormSemantics, TimersTickWhileEnabledAndMayStopThemselves) {
    VirtualLoop loop;
    MainWindowModel w(loop);
    int ticks = 0;
    w.OnLineTimer.onTick = [&] {
        w.OnLineTimer.setEnabled(false);
        ++ticks;
    };
    loop.advance(5000);
    EXPECT_EQ(ticks, 0) << "starts disabled";
    w.OnLineTimer.setEnabled(true);
    loop.advance(999);
    EXPECT_EQ(ticks, 0);
    loop.advance(5000);
    EXPECT_EQ(ticks, 1);
    EXPECT_EQ(*w.OnLineTimer.property("Enabled"), "False");
}

TEST(FormSemantics, ATimerWaitingInItsHandlerIsNotEnteredAgain) {
    VirtualLoop loop;
    MainWindowModel w(loop);
    int entered = 0;
    w.TimeTimer.onTick = [&] {
        ++entered;
        msDelay(loop, 3500);
    };
    loop.advance(1000);
    EXPECT_EQ(entered, 1);
}

TEST(WindowModel, KeysAndHintsCarryTheirTexts) {
    VirtualLoop loop;
    MainWindowModel w(loop);
    EXPECT_EQ(w.BtnDialPad3.caption(), "Barge In");
    EXPECT_EQ(w.BtnDialPad1.caption(), "Velmora");
    const std::pair<const Control*, const char*> hints[] = {
        {&w.expChk, "Click to show Key Pad and to save the Click Dialer location on your screen."},
        {&w.RecThisCallCheck, "Requires a large amount of disk space."},
        {&w.PlayMsgPush, "Play a message while moving to another call. Important: See Buyer/User Agreement note # 6."},
        {&w.vmclick, "Access your Voice Mail."},
        {&w.MonList, "DblClick to connect the call."},
    };
    for (const auto& [control, text] : hints) {
        EXPECT_EQ(control->toolTip(), text) << control->name();
        EXPECT_EQ(control->property("ToolTipText"), text) << control->name();
    }
}

}  // namespace
}  // namespace velmora::core
