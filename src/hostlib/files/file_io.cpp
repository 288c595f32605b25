#include "hostlib/files/file_io.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include "hostlib/files/atomic_file.h"

namespace vex3d {

bool readWholeFile(const std::string& path, std::vector<std::uint8_t>& out) {
  out.clear();
  // Regular files only, and never a wait on a FIFO or a device named like
  // an image or a settings file.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) return false;
  struct stat info {};
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    ::close(fd);
    return false;
  }
  std::uint8_t chunk[1 << 16];
  bool ok = true;
  for (;;) {
    const ssize_t n = ::read(fd, chunk, sizeof chunk);
    if (n < 0) {
      if (errno == EINTR) continue;
      ok = false;
      break;
    }
    if (n == 0) break;
    out.insert(out.end(), chunk, chunk + n);
  }
  ::close(fd);
  if (!ok) out.clear();
  return ok;
}

SettingsFileLock::SettingsFileLock(const std::string& path) {
  namespace fs = std::filesystem;
  std::error_code ec;
  fs::path file(path);
  if (fs::is_symlink(file, ec)) file = fs::weakly_canonical(file, ec);
  const fs::path folder = file.has_parent_path() ? file.parent_path() : fs::path(".");
  fs::create_directories(folder, ec);
  m_fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  // Without a lock the update still happens, as it did before there was
  // one: a folder that cannot be opened is no reason to lose the setting.
  if (m_fd < 0) return;
  while (::flock(m_fd, LOCK_EX) != 0 && errno == EINTR) {
  }
}

SettingsFileLock::~SettingsFileLock() {
  if (m_fd >= 0) ::close(m_fd);
}

bool writeSettingsFile(const std::string& path, const void* data, std::size_t size) {
  std::error_code ec;
  const std::filesystem::path target(path);
  if (target.has_parent_path()) std::filesystem::create_directories(target.parent_path(), ec);
  std::string why;
  return writeFileAtomically(path, data, size, why);
}

}  // namespace vex3d
