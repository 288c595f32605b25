#include "hostlib/core/notification.h"

#include <mutex>
#include <utility>

#include "hostlib/core/message_box.h"

namespace {

std::mutex g_mutex;
vex3d::NotificationHook g_hook;

}  // namespace

vex3d::NotificationHook vex3d::setNotificationHook(NotificationHook hook) {
  std::lock_guard lock(g_mutex);
  std::swap(g_hook, hook);
  return hook;
}

void ShowNotification(int dialogId, const std::string& title, const std::string& text) {
  vex3d::NotificationHook hook;
  {
    std::lock_guard lock(g_mutex);
    hook = g_hook;
  }
  if (hook) {
    hook(dialogId, title, text);
    return;
  }
  AfxMessageBox(title + "\n" + text, vex3d::kMsgOk | vex3d::kMsgIconInformation);
}
