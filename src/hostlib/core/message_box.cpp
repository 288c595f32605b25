#include "hostlib/core/message_box.h"

#include <cstdio>
#include <mutex>

namespace {

std::mutex g_mutex;
vex3d::MessageBoxHandler g_handler;

}  // namespace

vex3d::MessageBoxHandler vex3d::setMessageBoxHandler(MessageBoxHandler handler) {
  std::lock_guard lock(g_mutex);
  MessageBoxHandler previous = std::move(g_handler);
  g_handler = std::move(handler);
  return previous;
}

int AfxMessageBox(const std::string& text, unsigned type) {
  vex3d::MessageBoxHandler handler;
  {
    std::lock_guard lock(g_mutex);
    handler = g_handler;
  }
  if (handler) return handler(text, type);
  std::fprintf(stderr, "%s\n", text.c_str());
  return 1;
}
