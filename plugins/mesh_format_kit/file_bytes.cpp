#include "mesh_format_kit/file_bytes.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace vex3d::native {

bool FileBytes::open(const std::string& path, std::string& error) {
  close();
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    error = "cannot open " + path + ": " + std::strerror(errno);
    return false;
  }
  struct stat info {};
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    error = "not a regular file: " + path;
    ::close(fd);
    return false;
  }
  m_size = static_cast<std::size_t>(info.st_size);
  if (m_size > 0) {
    // Populating at once costs far less than a fault per page as the
    // readers walk through the file.
    void* data = ::mmap(nullptr, m_size, PROT_READ, MAP_PRIVATE | MAP_POPULATE, fd, 0);
    if (data == MAP_FAILED) {
      error = "cannot map " + path + ": " + std::strerror(errno);
      m_size = 0;
      ::close(fd);
      return false;
    }
    ::madvise(data, m_size, MADV_SEQUENTIAL);
    m_data = static_cast<const unsigned char*>(data);
  }
  ::close(fd);
  return true;
}

void FileBytes::close() {
  if (m_data != nullptr) ::munmap(const_cast<unsigned char*>(m_data), m_size);
  m_data = nullptr;
  m_size = 0;
}

}  // namespace vex3d::native
