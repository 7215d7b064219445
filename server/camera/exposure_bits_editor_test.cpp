// The "Exposure Bits" dialog's state: three-state line buttons, delays, control ids.
#include "server/camera/exposure_bits_editor.h"

#include <gtest/gtest.h>

namespace velmora::server {
namespace {

TEST(ExposureBitsEditorTest, ShowsLineWordsAsThreeStateButtons)
{
    const ExposureBitsEditor editor(ExposureSequence::defaults(0));
    // Step 1 of sequence 0 is 0xF400: lines 0, 1, 3 cleared, line 2 kept, lines 4..7 kept.
    EXPECT_EQ(editor.line(1, 0), LineState::Clear);
    EXPECT_EQ(editor.line(1, 1), LineState::Clear);
    EXPECT_EQ(editor.line(1, 2), LineState::Unchanged);
    EXPECT_EQ(editor.line(1, 3), LineState::Clear);
    EXPECT_EQ(editor.line(1, 7), LineState::Unchanged);
    EXPECT_EQ(editor.line(5, 0), LineState::Set);
    EXPECT_TRUE(editor.wait(1));
    EXPECT_FALSE(editor.wait(0));
    EXPECT_EQ(editor.delayMs(1), 20);
    EXPECT_EQ(editor.record(), ExposureSequence::defaults(0));
}

TEST(ExposureBitsEditorTest, ClicksCycleAndBuildTheRecord)
{
    ExposureBitsEditor editor(ExposureSequence::defaults(1));
    editor.click(0, 7); // unchanged -> clear
    EXPECT_EQ(editor.line(0, 7), LineState::Clear);
    editor.click(0, 6);
    editor.click(0, 6); // unchanged -> clear -> set
    EXPECT_EQ(editor.line(0, 6), LineState::Set);
    editor.click(0, 0); // set -> unchanged
    EXPECT_EQ(editor.line(0, 0), LineState::Unchanged);
    editor.setWait(4, true);
    editor.setDelayMs(2, 1234567);
    editor.setDelayMs(3, -5);
    const ExposureSequence record = editor.record();
    // 0xF00F with line 7 cleared (keep bit off), line 6 set, line 0 kept.
    EXPECT_EQ(record.lines[0], 0x314E);
    EXPECT_EQ(record.waitFrame[4], 1);
    EXPECT_EQ(record.delayMs[2], 999999);
    EXPECT_EQ(record.delayMs[3], 0);
}

TEST(ExposureBitsEditorTest, ControlIdsAndBitmaps)
{
    EXPECT_EQ(ExposureBitsEditor::waitCheckId(5), 1067);
    EXPECT_EQ(ExposureBitsEditor::delayEditId(5), 1078);
    EXPECT_EQ(ExposureBitsEditor::delaySpinId(0), 1069);
    EXPECT_EQ(ExposureBitsEditor::bitButtonId(2, 7), 1080 + 16 + 7);
    int step = -1;
    int line = -1;
    ASSERT_TRUE(ExposureBitsEditor::bitButtonAt(1080 + 8 * 5 + 3, step, line));
    EXPECT_EQ(step, 5);
    EXPECT_EQ(line, 3);
    EXPECT_FALSE(ExposureBitsEditor::bitButtonAt(1079, step, line));
    EXPECT_FALSE(ExposureBitsEditor::bitButtonAt(1080 + 48, step, line));
    EXPECT_EQ(ExposureBitsEditor::bitmapFor(LineState::Unchanged), 118);
    EXPECT_EQ(ExposureBitsEditor::bitmapFor(LineState::Set), 116);
    EXPECT_EQ(ExposureBitsEditor::bitmapFor(LineState::Clear), 117);
}

} // namespace
} // namespace velmora::server
