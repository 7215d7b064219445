// The arrow pad as keys and the mouse drive it: one press and one release per hold,
// whatever the key's auto-repeat does.
#include "server/frame/ui/arrow_pad.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

namespace velmora::server {
namespace {

void sendKey(QWidget* target, QEvent::Type type, int key, bool autoRepeat)
{
    QKeyEvent event(type, key, Qt::NoModifier, QString(), autoRepeat);
    QApplication::sendEvent(target, &event);
}

TEST(CArrowPadTest, AHeldKeyReportsOnePressAndOneRelease)
{
    CArrowPad pad;
    pad.show();
    QSignalSpy pressed(&pad, &CArrowPad::pressed);
    QSignalSpy released(&pad, &CArrowPad::released);
    sendKey(pad.centre(), QEvent::KeyPress, Qt::Key_Right, false);
    EXPECT_TRUE(pad.button(Arrow::Right)->isDown());
    for (int i = 0; i < 5; ++i) {
        sendKey(pad.centre(), QEvent::KeyRelease, Qt::Key_Right, true);
        sendKey(pad.centre(), QEvent::KeyPress, Qt::Key_Right, true);
    }
    sendKey(pad.centre(), QEvent::KeyRelease, Qt::Key_Right, false);
    ASSERT_EQ(pressed.count(), 1);
    ASSERT_EQ(released.count(), 1);
    EXPECT_EQ(pressed[0][0].value<Arrow>(), Arrow::Right);
    EXPECT_FALSE(pad.button(Arrow::Right)->isDown());
}

TEST(CArrowPadTest, TheMouseOnAnArrowGivesTheFocusToTheCentre)
{
    QWidget window;
    auto* pad = new CArrowPad(&window);
    QPushButton other("other", &window);
    other.move(0, 120);
    window.show();
    QApplication::setActiveWindow(&window);
    other.setFocus();
    QSignalSpy pressed(pad, &CArrowPad::pressed);
    QSignalSpy released(pad, &CArrowPad::released);
    QTest::mousePress(pad->button(Arrow::Up), Qt::LeftButton);
    EXPECT_TRUE(pad->centre()->hasFocus());
    QTest::mouseRelease(pad->button(Arrow::Up), Qt::LeftButton);
    ASSERT_EQ(pressed.count(), 1);
    EXPECT_EQ(released.count(), 1);
    EXPECT_EQ(released[0][0].value<Arrow>(), Arrow::Up);

    pad->applyEnables([](int id) { return id == arrow_ids::kCentre; });
    sendKey(pad->centre(), QEvent::KeyPress, Qt::Key_Down, false);
    EXPECT_EQ(pressed.count(), 1) << "a disabled arrow does nothing";
}

} // namespace
} // namespace velmora::server
