#include "hostlib/files/file_utils.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <string_view>
#include <vector>

#include "hostlib/files/file_info.h"
#include "hostlib/text/strings.h"

namespace {

char asciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool sameText(std::string_view a, std::string_view b, bool ignoreCase) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const char ca = ignoreCase ? asciiLower(a[i]) : a[i];
    const char cb = ignoreCase ? asciiLower(b[i]) : b[i];
    if (ca != cb && !(CFileInfo::IsSeparator(ca) && CFileInfo::IsSeparator(cb))) return false;
  }
  return true;
}

struct SplitPath {
  std::string_view root;
  std::vector<std::string_view> steps;
};

// Root and folder steps with "." and ".." resolved; ".." above the root is
// dropped as the operating system does. Empty root when the path is not
// anchored: relative, or drive-relative such as "C:a\b".
SplitPath splitAnchored(std::string_view path) {
  SplitPath out;
  const std::size_t rootLen = CFileInfo::RootLength(path);
  if (rootLen == 0) return out;
  const bool bareDrive = rootLen == 2 && path[1] == ':';
  if (bareDrive && (path.size() == 2 || !CFileInfo::IsSeparator(path[2]))) return out;
  out.root = path.substr(0, rootLen);
  std::size_t pos = rootLen;
  while (pos < path.size()) {
    std::size_t end = pos;
    while (end < path.size() && !CFileInfo::IsSeparator(path[end])) ++end;
    const std::string_view step = path.substr(pos, end - pos);
    if (step == "..") {
      if (!out.steps.empty()) out.steps.pop_back();
    } else if (!step.empty() && step != ".") {
      out.steps.push_back(step);
    }
    pos = end + 1;
  }
  return out;
}

char separatorOf(std::string_view path, std::size_t from) {
  const std::size_t at = path.find_first_of("/\\", from);
  return at == std::string_view::npos ? '/' : path[at];
}

std::string stripTrailingSlashes(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

std::mutex& directoryStackMutex() {
  static std::mutex m;
  return m;
}

// Descriptors of the directories to return to; a descriptor still reaches
// its directory after a rename, which a saved path would not.
std::vector<int>& directoryStack() {
  static std::vector<int> stack;
  return stack;
}

}  // namespace

bool fileExists(const std::string& path) {
  struct stat st {};
  return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string fileStripPath(const std::string& path, int stripExtension) {
  const CFileInfo info(path);
  return stripExtension ? info.GetFileTitle() : info.GetFileName();
}

std::string fileMakeRelativePath(const std::string& path, const std::string& baseFolder) {
  const SplitPath target = splitAnchored(path);
  const SplitPath base = splitAnchored(baseFolder);
  if (target.root.empty() || base.root.empty()) return path;

  // A one-character root is POSIX's "/"; anything longer is a drive or share.
  const bool windowsNames = target.root.size() > 1;
  if ((base.root.size() > 1) != windowsNames) return path;
  if (!sameText(target.root, base.root, windowsNames)) return path;

  std::size_t common = 0;
  while (common < target.steps.size() && common < base.steps.size() &&
         sameText(target.steps[common], base.steps[common], windowsNames))
    ++common;
  if (common == 0) return path;

  const char sep = separatorOf(path, target.root.size());
  std::string out;
  for (std::size_t i = common; i < base.steps.size(); ++i) {
    out += "..";
    out += sep;
  }
  for (std::size_t i = common; i < target.steps.size(); ++i) {
    out += target.steps[i];
    out += sep;
  }
  const bool folderPath = CFileInfo::IsSeparator(path.back());
  if (out.empty()) return folderPath ? std::string(".") + sep : std::string(".");
  if (!folderPath) out.pop_back();
  return out;
}

bool filePushCurrentDirectory(const std::string& folder) {
  if (folder.empty()) return false;
  std::lock_guard lock(directoryStackMutex());
  auto& stack = directoryStack();
  stack.reserve(stack.size() + 1);  // no allocation failure after chdir
  const int previous = ::open(".", O_PATH | O_DIRECTORY | O_CLOEXEC);
  if (previous < 0) return false;
  if (::chdir(folder.c_str()) != 0) {
    ::close(previous);
    return false;
  }
  stack.push_back(previous);
  return true;
}

bool filePopCurrentDirectory() {
  std::lock_guard lock(directoryStackMutex());
  auto& stack = directoryStack();
  if (stack.empty()) return false;
  const int previous = stack.back();
  stack.pop_back();
  const bool ok = ::fchdir(previous) == 0;
  ::close(previous);
  return ok;
}

bool fileIsSameDir(const std::string& a, const std::string& b) {
  if (a.empty() || b.empty()) return false;
  struct stat sa {};
  struct stat sb {};
  if (::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0)
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;

  namespace fs = std::filesystem;
  std::error_code ea;
  std::error_code eb;
  const fs::path ca = fs::weakly_canonical(fs::path(stripTrailingSlashes(a)), ea);
  const fs::path cb = fs::weakly_canonical(fs::path(stripTrailingSlashes(b)), eb);
  if (ea || eb) return false;
  return stripTrailingSlashes(ca.lexically_normal().string()) ==
         stripTrailingSlashes(cb.lexically_normal().string());
}

namespace vex3d {

bool folderExists(const std::string& path) {
  struct stat st {};
  return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool fileIsInside(const std::string& path, const std::string& folder) {
  namespace fs = std::filesystem;
  std::error_code ec;
  const fs::path inner = fs::weakly_canonical(fs::absolute(path, ec), ec);
  if (ec) return false;
  const fs::path outer = fs::weakly_canonical(fs::absolute(folder.empty() ? "." : folder, ec), ec);
  if (ec) return false;
  auto i = inner.begin();
  for (auto o = outer.begin(); o != outer.end(); ++o, ++i) {
    // A trailing separator leaves an empty last element.
    if (o->empty()) continue;
    if (i == inner.end() || *i != *o) return false;
  }
  return true;
}

bool fileCanBeWritten(const std::string& path, std::string& why) {
  if (path.empty()) {
    why = LoadStringW(kStrNoFileName);
    return false;
  }
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0) {
    if (S_ISDIR(st.st_mode)) {
      why = FormatString(kStrPathIsADirectory, path.c_str());
      return false;
    }
    if (::access(path.c_str(), W_OK) != 0) {
      why = FormatString(kStrCannotWriteBecause, path.c_str(), systemErrorText(errno).c_str());
      return false;
    }
    return true;
  }
  const std::filesystem::path parent = std::filesystem::path(path).parent_path();
  const std::string folder = parent.empty() ? std::string(".") : parent.string();
  if (!folderExists(folder)) {
    why = FormatString(kStrCannotWriteFolderMissing, path.c_str(), folder.c_str());
    return false;
  }
  if (::access(folder.c_str(), W_OK | X_OK) != 0) {
    why = FormatString(kStrCannotWriteBecause, path.c_str(), systemErrorText(errno).c_str());
    return false;
  }
  return true;
}

std::string systemErrorText(int error) {
  switch (error) {
    case ENOENT:
    case ENOTDIR:
      return LoadStringW(kStrDoesNotExist);
    case EISDIR:
      return LoadStringW(kStrIsADirectory);
    case EACCES:
    case EPERM:
      return LoadStringW(kStrPermissionDenied);
    case ENOSPC:
    case EDQUOT:
      return LoadStringW(kStrNoSpaceLeft);
    case EROFS:
      return LoadStringW(kStrReadOnlyFileSystem);
    default:
      return FormatString(kStrSystemError, error);
  }
}

}  // namespace vex3d
