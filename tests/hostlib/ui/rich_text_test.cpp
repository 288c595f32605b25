// The message tags as the window shows them.
#include "hostlib/ui/rich_text.h"

#include <gtest/gtest.h>

namespace vex3d::ui {
namespace {

TEST(RichText, TagsBecomeMarkupAndMarks) {
  const RichMessage saved = richTextFromTags("<i>The scene has been saved");
  EXPECT_EQ(saved.mark, MessageMark::information);
  EXPECT_EQ(saved.html, "The scene has been saved");

  const RichMessage failed = richTextFromTags(
      "<e>An error occured when saving the scene.<b>The scene has not been saved.</b>");
  EXPECT_EQ(failed.mark, MessageMark::error);
  // A bold sentence glued to the previous one starts its own line.
  EXPECT_EQ(failed.html,
            "An error occured when saving the scene.<br><b>The scene has not been saved.</b>");

  EXPECT_EQ(richTextFromTags("<b>Ctrl</b>: Rotate <b>Space</b>: Pan").html,
            "<b>Ctrl</b>: Rotate <b>Space</b>: Pan");
  EXPECT_EQ(richTextFromTags("one\ntwo<br>three").html, "one<br>two<br>three");
}

TEST(RichText, TextIsEscapedAndUnclosedBoldEndsAtTheLine) {
  EXPECT_EQ(richTextFromTags("a < b & c").html, "a &lt; b &amp; c");
  EXPECT_EQ(richTextFromTags("<b>loud\nquiet").html, "<b>loud</b><br>quiet");
  EXPECT_EQ(richTextFromTags("<b>never closed").html, "<b>never closed</b>");
  EXPECT_EQ(richTextFromTags("").html, "");
}

TEST(RichText, PlainTextDropsEveryTag) {
  EXPECT_EQ(plainTextFromTags("<e>Failed.<b>Not saved.</b><br>Retry"), "Failed.Not saved.\nRetry");
  EXPECT_EQ(plainTextFromTags("<i>x < y"), "x < y");
}

}  // namespace
}  // namespace vex3d::ui
