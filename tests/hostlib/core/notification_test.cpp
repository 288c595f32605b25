#include "hostlib/core/notification.h"

#include <gtest/gtest.h>

TEST(Notification, GoesToTheHookWithItsId) {
  int id = 0;
  std::string seen;
  auto previous = vex3d::setNotificationHook(
      [&](int dialogId, const std::string& title, const std::string& text) {
        id = dialogId;
        seen = title + "|" + text;
      });
  ShowNotification(2004, "Title", "a<br><b>b</b>");
  vex3d::setNotificationHook(std::move(previous));
  EXPECT_EQ(id, 2004);
  EXPECT_EQ(seen, "Title|a<br><b>b</b>");
}

TEST(Notification, WithoutAHookItIsWrittenWithoutTagsAndWaitsForNothing) {
  auto previous = vex3d::setNotificationHook({});
  testing::internal::CaptureStderr();
  ShowNotification(2000, "Title", "first<br><b>second</b> <i>line</i>");
  const std::string written = testing::internal::GetCapturedStderr();
  vex3d::setNotificationHook(std::move(previous));
  EXPECT_EQ(written, "Title: first\nsecond line\n");
}
