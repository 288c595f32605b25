#include "hostlib/files/file_dialogs.h"

#include <mutex>
#include <utility>

namespace {

std::mutex g_mutex;
vex3d::OpenFilesHook g_hook;
vex3d::SelectFolderHook g_folderHook;

}  // namespace

vex3d::OpenFilesHook vex3d::setOpenFilesHook(OpenFilesHook hook) {
  std::lock_guard lock(g_mutex);
  std::swap(g_hook, hook);
  return hook;
}

std::vector<std::string> fileOpenFiles(std::uint32_t fileClass, std::uint32_t kindMask) {
  vex3d::OpenFilesHook hook;
  {
    std::lock_guard lock(g_mutex);
    hook = g_hook;
  }
  if (!hook) return {};
  return hook(fileClass, kindMask);
}

vex3d::SelectFolderHook vex3d::setSelectFolderHook(SelectFolderHook hook) {
  std::lock_guard lock(g_mutex);
  std::swap(g_folderHook, hook);
  return hook;
}

std::string fileSelectFolder(const std::string& text, const std::string& initialFolder) {
  vex3d::SelectFolderHook hook;
  {
    std::lock_guard lock(g_mutex);
    hook = g_folderHook;
  }
  if (!hook) return {};
  return hook(text, initialFolder);
}
