#include "common/ui/my_edit.h"
#include "common/ui/my_slider_ctrl.h"
#include "common/ui/my_spin.h"

#include <QSignalSpy>
#include <QTest>
#include <QToolButton>
#include <QWidget>
#include <gtest/gtest.h>

using namespace velmora::common;

TEST(CMyEdit, TypingEnterAndSpinClicksNotifyTheOwner)
{
    QWidget bar;
    auto* edit = new CMyEdit(1000, &bar);
    auto* spin = new CMySpin(edit, &bar);
    edit->configure(kHasSpin | kNotifyEveryCommit | kRangeCheck | kDecimalDisplay, 0, 9999999, 10, 0.01);
    edit->setValue(150);
    bar.show();
    EXPECT_EQ(edit->text(), "1.50");

    QSignalSpy spy(edit, &CMyEdit::notify);
    edit->setFocus();
    edit->selectAll();
    QTest::keyClicks(edit, "2a.-5.7"); // letters, minus and the second point are swallowed
    EXPECT_EQ(edit->text(), "2.57");
    EXPECT_EQ(spy.count(), 0) << "typing alone commits nothing";
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_EQ(edit->value(), 257);
    EXPECT_EQ(spy.count(), 0) << "the notification is posted, not sent";
    QCoreApplication::processEvents();
    ASSERT_EQ(spy.count(), 1);
    EXPECT_EQ(spy.at(0).at(0).toInt(), 1000);
    EXPECT_EQ(spy.at(0).at(1).toInt(), 0x401);

    QTest::mouseClick(spin->upButton(), Qt::LeftButton);
    QCoreApplication::processEvents();
    EXPECT_EQ(edit->value(), 267);
    EXPECT_EQ(edit->text(), "2.67");
    EXPECT_EQ(spy.count(), 2);
    QTest::mouseClick(spin->downButton(), Qt::LeftButton);
    QCoreApplication::processEvents();
    EXPECT_EQ(edit->value(), 257);
    EXPECT_EQ(spy.count(), 3);

    edit->setEnabled(false);
    EXPECT_FALSE(spin->isEnabled());
    edit->setEnabled(true);
    EXPECT_TRUE(spin->isEnabled());
    edit->hide();
    EXPECT_FALSE(spin->isVisible());
    edit->show();
    EXPECT_TRUE(spin->isVisible());
}

TEST(CMySliderCtrl, UserMovesNotifyProgrammaticSetsDoNot)
{
    CMySliderCtrl slider(1046);
    slider.setSliderRange(4, 512);
    QSignalSpy spy(&slider, &CMySliderCtrl::notify);
    slider.setSliderPosition(64);
    QCoreApplication::processEvents();
    EXPECT_EQ(spy.count(), 0);
    slider.setValue(100); // what a drag does
    QCoreApplication::processEvents();
    ASSERT_EQ(spy.count(), 1);
    EXPECT_EQ(spy.at(0).at(0).toInt(), 1046);
    EXPECT_EQ(slider.sliderPosition(), 100);
    slider.setSliderPosition(9999);
    EXPECT_EQ(slider.sliderPosition(), 512);
}
