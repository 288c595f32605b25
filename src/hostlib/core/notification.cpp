#include "hostlib/core/notification.h"

#include <cstdio>
#include <mutex>
#include <utility>

namespace {

std::mutex g_mutex;
vex3d::NotificationHook g_hook;

// The text as a terminal shows it: line breaks kept, other tags dropped.
std::string plainText(const std::string& text) {
  std::string plain;
  plain.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    if (text[i] != '<') {
      plain += text[i++];
      continue;
    }
    const std::size_t end = text.find('>', i);
    if (end == std::string::npos) {
      plain.append(text, i, std::string::npos);
      break;
    }
    if (text.compare(i, end - i + 1, "<br>") == 0) plain += '\n';
    i = end + 1;
  }
  return plain;
}

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
  std::fprintf(stderr, "%s: %s\n", title.c_str(), plainText(text).c_str());
}
