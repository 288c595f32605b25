#pragma once
// A whole file as one read-only span of bytes. Mapping avoids copying the
// file once more through a buffer; readers never write into it.
//
// A mapped file that shrinks while it is read (another program truncates
// it, a network share drops) would end the program with SIGBUS at the first
// byte past its new end. While a MappedFile is open, such a fault in its
// bytes is caught: the missing pages read as zeros, which every reader
// must take as it takes any damaged input, and intact() turns false so
// that the read is reported as failed.
#include <cstddef>
#include <span>
#include <string>

#include "hostlib/hostlib_export.h"

namespace vex3d {

class VEXHOST_EXPORT MappedFile {
 public:
  MappedFile() = default;
  ~MappedFile();
  MappedFile(const MappedFile&) = delete;
  MappedFile& operator=(const MappedFile&) = delete;

  // Regular files only, opened without ever blocking (a FIFO or a device
  // named like a model is refused, not waited on). False with `why`
  // ("is a directory", "is not a regular file", the system's reason). An empty
  // file is a valid, empty span.
  bool open(const std::string& path, std::string& why);
  void close();

  std::span<const unsigned char> bytes() const { return {m_data, m_size}; }
  // Gives the memory of the pages wholly before `upTo` back to the system:
  // a reader that has gone past them keeps the file out of its peak. The
  // bytes stay readable; read again, they come back from the file.
  void releaseBefore(const void* upTo);
  // False once part of the file vanished while it was mapped.
  bool intact() const;

 private:
  const unsigned char* m_data = nullptr;
  std::size_t m_size = 0;
  std::size_t m_released = 0;
  int m_slot = -1;
};

// Why `path` cannot be opened as a file to read: empty when it is a
// readable regular file, else "does not exist", "is a directory", "is not a
// regular file" or the system's reason.
VEXHOST_EXPORT std::string whyNotReadable(const std::string& path);

}  // namespace vex3d
