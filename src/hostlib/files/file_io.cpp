#include "hostlib/files/file_io.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include "hostlib/files/atomic_file.h"

namespace vex3d {

bool readWholeFile(const std::string& path, std::vector<std::uint8_t>& out) {
  out.clear();
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
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

bool writeSettingsFile(const std::string& path, const void* data, std::size_t size) {
  std::error_code ec;
  const std::filesystem::path target(path);
  if (target.has_parent_path()) std::filesystem::create_directories(target.parent_path(), ec);
  std::string why;
  return writeFileAtomically(path, data, size, why);
}

}  // namespace vex3d
